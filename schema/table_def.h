// The office schema as data: each table is a static array of columns and a static array of the
// operations that follow them, in the order they are described. DescribeTable (describe_table.h)
// is the one walker that turns a TableDef into calls on a database description.
#pragma once

#include <span>
#include <string_view>

namespace brindle::schema {

struct DomainDef {
  std::string_view name;
  std::string_view type;
  std::string_view check;  // empty: no CHECK
};

constexpr bool kNotNull = true;

struct ColumnDef {
  std::string_view name;
  std::string_view type;  // a domain name or an SQL type text
  std::string_view default_text = {};
  bool not_null = false;
};

enum class TableOpKind {
  kPrimaryKey,          // name, column_list
  kIndex,               // name, column_list, unique, descending
  kModifyDateTrigger,   // name (empty: the library names it)
  kModifyDateTracking,  // change-tracking mode 1
  kGenerator,           // name; declared on the database at this point
};

struct TableOp {
  TableOpKind kind;
  std::string_view name = {};
  std::string_view column_list = {};  // exactly as passed
  bool unique = false;
  bool descending = false;
};

enum IndexFlags : unsigned { kPlain = 0, kUnique = 1u << 0, kDescending = 1u << 1 };

constexpr TableOp PrimaryKey(std::string_view name, std::string_view column_list) {
  return {TableOpKind::kPrimaryKey, name, column_list};
}
constexpr TableOp Index(std::string_view name, std::string_view column_list,
                        unsigned flags = kPlain) {
  return {TableOpKind::kIndex, name, column_list, (flags & kUnique) != 0,
          (flags & kDescending) != 0};
}
constexpr TableOp ModifyDateTrigger(std::string_view name) {
  return {TableOpKind::kModifyDateTrigger, name};
}
constexpr TableOp ModifyDateTracking() {
  return {TableOpKind::kModifyDateTracking};
}
constexpr TableOp Generator(std::string_view name) {
  return {TableOpKind::kGenerator, name};
}

enum class TableCondition {
  kAlways,
  kCommonOrgs,  // only when the suite root holds the CommonOrgs directory
};

struct TableDef {
  std::string_view name;
  std::span<const ColumnDef> columns;
  std::span<const TableOp> ops;
  TableCondition condition = TableCondition::kAlways;
};

}  // namespace brindle::schema
