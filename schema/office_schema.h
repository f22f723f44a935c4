// The data of the office database: its domains and its tables by describing group, each in the
// order in which the builder declares them. The arrays are static and live for the program.
#pragma once

#include <span>

#include "schema/table_def.h"

namespace brindle::schema {

std::span<const DomainDef> OfficeDomains();

std::span<const TableDef> CoreTables();        // DSCCARDS .. HISTAUTENF
std::span<const TableDef> CouponTables();      // COUPONS ..
std::span<const TableDef> CommercialTables();  // KOGSMLIST ..
std::span<const TableDef> ContragentTables();  // CONTRAGENT .., three under kCommonOrgs
std::span<const TableDef> CardTables();        // PC_BLACKLIST .. TERM_COUNTERS
std::span<const TableDef> HandbookTables();    // HANDBOOK, HANDBOOK_AZS

}  // namespace brindle::schema
