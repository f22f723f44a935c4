#include "schema/describe_table.h"

#include <string>

#include "ostrel/modify_date_rule.h"

namespace brindle::schema {

void DescribeTable(TfbDataBase& database, const TableDef& table) {
  TfbTable* described = database.AddTable(std::string(table.name));
  for (const ColumnDef& column : table.columns) {
    described->AddField(std::string(column.name), std::string(column.type),
                        std::string(column.default_text), column.not_null);
  }
  for (const TableOp& op : table.ops) {
    switch (op.kind) {
      case TableOpKind::kPrimaryKey:
        described->SetPrimaryKey(std::string(op.name), std::string(op.column_list));
        break;
      case TableOpKind::kIndex:
        described->AddIndex(std::string(op.name), op.unique, op.descending,
                            std::string(op.column_list));
        break;
      case TableOpKind::kModifyDateTrigger:
        described->AddTrigger(TriggerTiming::kBefore, kTriggerOnInsertOrUpdate,
                              kModifyDateTriggerPosition, true, std::string(op.name),
                              std::string(kModifyDateTriggerBody));
        break;
      case TableOpKind::kModifyDateTracking:
        described->SetChangeTracking(ChangeTracking::kModifyDate);
        break;
      case TableOpKind::kGenerator:
        database.AddGenerator(std::string(op.name), 0);
        break;
    }
  }
}

void DescribeTables(TfbDataBase& database, std::span<const TableDef> tables, bool common_orgs) {
  for (const TableDef& table : tables) {
    if (table.condition == TableCondition::kCommonOrgs && !common_orgs) continue;
    DescribeTable(database, table);
  }
}

}  // namespace brindle::schema
