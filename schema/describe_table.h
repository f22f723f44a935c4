// The walker that turns the schema's data into calls on a database description.
#pragma once

#include <span>

#include "ostrel/description.h"
#include "schema/table_def.h"

namespace brindle::schema {

// AddTable, then AddField for every column in order, then every operation in order (a generator
// is declared on the database at its place). Errors of the description propagate.
void DescribeTable(TfbDataBase& database, const TableDef& table);

// DescribeTable for each table whose condition holds; common_orgs: whether the CommonOrgs
// directory exists.
void DescribeTables(TfbDataBase& database, std::span<const TableDef> tables,
                    bool common_orgs = false);

}  // namespace brindle::schema
