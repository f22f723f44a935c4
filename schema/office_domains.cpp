// The office database's domains, declared before any table in this order.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
constexpr DomainDef kDomains[] = {
    {"T_BIGTEXT", "VARCHAR(500)", ""},
    {"T_BOOLEAN", "INTEGER", "((VALUE IS NULL) OR (VALUE IN (0,1)))"},
    {"T_INTEGER", "INTEGER", ""},
    {"T_NUMBER", "NUMERIC(15, 4)", ""},
    {"T_SMALLTEXT", "VARCHAR(100)", ""},
    {"T_TIMESTAMP", "TIMESTAMP", ""},
    {"T_DATE", "DATE", ""},
    {"T_TEXT20", "VARCHAR(20)", ""},
};

// clang-format on
}  // namespace

std::span<const DomainDef> OfficeDomains() {
  return kDomains;
}

}  // namespace brindle::schema
