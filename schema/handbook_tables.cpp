// The tables that DescribeHandbookTables declares, in order.
#include "schema/office_schema.h"

namespace brindle::schema {
namespace {

// One entry a line, so that each can be checked by eye.
// clang-format off
namespace handbook {
constexpr ColumnDef kColumns[] = {
    {"ID_HANDBOOK", "INTEGER", "", kNotNull},
    {"NAME", "T_SMALLTEXT"},
    {"ISDELETE", "T_BOOLEAN"},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_HANDBOOK", R"("ID_HANDBOOK")"),
};
}  // namespace handbook

namespace handbook_azs {
constexpr ColumnDef kColumns[] = {
    {"ID_HANDBOOK", "INTEGER", "", kNotNull},
    {"AZSNUMBER", "INTEGER", "", kNotNull},
};
constexpr TableOp kOps[] = {
    PrimaryKey("PK_HANDBOOK_AZS", R"("ID_HANDBOOK","AZSNUMBER")"),
};
}  // namespace handbook_azs

constexpr TableDef kTables[] = {
    {"HANDBOOK", handbook::kColumns, handbook::kOps},
    {"HANDBOOK_AZS", handbook_azs::kColumns, handbook_azs::kOps},
};

// clang-format on
}  // namespace

std::span<const TableDef> HandbookTables() {
  return kTables;
}

}  // namespace brindle::schema
