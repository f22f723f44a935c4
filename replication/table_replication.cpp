#include "replication/table_replication.h"

#include <memory>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/copy_thread.h"
#include "replication/replication_sql.h"

namespace brindle {

namespace {

using ibx::TIBDataSet;
using ibx::TIBField;

constexpr char kMarkSection[] = "REPLICATION_INFO";

std::int32_t CountRows(TIBDataSet& source, const std::string& tail) {
  source.SetSelectSQL("SELECT COUNT(*) " + tail);
  source.Open();
  const std::int32_t count = source.Fields(0).AsInteger();
  source.Close();
  return count;
}

// NULL and an empty text are different values, so NULL-ness counts as well as the exact text.
bool SameValue(const TIBField& a, const TIBField& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull();
  return a.AsString() == b.AsString();
}

// The rows of the copy: the write transaction, the probe and the two statements, built once for
// the table and reused for every row.
class TargetWriter {
 public:
  TargetWriter(TFyrn& fyrn, ibx::TIBDatabase& copy, const std::string& table)
      : transaction_(fyrn.CreateTransaction(copy)),
        probe_(fyrn.CreateDataSet(copy, nullptr)),
        insert_(fyrn.CreateDataSet(copy, transaction_.get())),
        update_(fyrn.CreateDataSet(copy, transaction_.get())) {
    probe_->SetSelectSQL("SELECT FIRST 1 * FROM \"" + table + "\"");
    probe_->Open();
    empty_ = probe_->Eof();
    for (std::size_t i = 0; i < probe_->FieldCount(); ++i) {
      columns_.push_back(probe_->Fields(i).FieldName());
    }
    probe_->Close();
  }

  bool Empty() const { return empty_; }
  bool HasColumn(const std::string& name) const {
    for (const std::string& column : columns_) {
      if (SameText(column, name)) return true;
    }
    return false;
  }

  void Prepare(const ReplicationStatements& statements, std::size_t column_count) {
    probe_->SetSelectSQL(statements.probe);
    insert_->SetSelectSQL(statements.insert);
    update_->SetSelectSQL(statements.update);
    if (insert_->ParamCount() != column_count || update_->ParamCount() != column_count) {
      throw Exception("Число параметров не совпадает с числом копируемых полей");
    }
  }

  TIBDataSet& Probe() { return *probe_; }
  TIBDataSet& Insert() { return *insert_; }
  TIBDataSet& Update() { return *update_; }
  void Commit() {
    if (transaction_->InTransaction()) transaction_->Commit();
  }

 private:
  // Declared first, destroyed last: the statements go before their transaction.
  std::unique_ptr<ibx::TIBTransaction> transaction_;
  std::unique_ptr<TIBDataSet> probe_;
  std::unique_ptr<TIBDataSet> insert_;
  std::unique_ptr<TIBDataSet> update_;
  std::vector<std::string> columns_;
  bool empty_ = false;
};

void WriteRow(TIBDataSet& statement, const std::vector<TIBField*>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i]->IsNull()) {
      statement.Params(i).Clear();
    } else {
      statement.Params(i).SetAsVariant(fields[i]->AsVariant());
    }
  }
  statement.ExecSQL();
}

// Copies the open source rows, counting in `result`.
void CopyRows(const TTableContext& context, TIBDataSet& source, TargetWriter& target,
              const ReplicatedTable& table, TTableResult& result) {
  std::vector<TIBField*> fields;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    TIBField& field = source.Fields(i);
    if (!target.HasColumn(field.FieldName())) continue;  // only in the working database
    fields.push_back(&field);
    names.push_back(field.FieldName());
  }
  const std::string key(table.key_column);
  target.Prepare(BuildReplicationStatements(std::string(table.table), key, names), fields.size());

  TIBField& key_field = source.FieldByName(key);
  for (; !source.Eof(); source.Next()) {
    ++context.progress.RecordNo;
    ++result.Read;
    TIBDataSet* statement = &target.Insert();
    if (!target.Empty()) {
      TIBDataSet& probe = target.Probe();
      if (table.text_key) {
        probe.ParamByName("ID").SetAsString(key_field.AsString());
      } else {
        probe.ParamByName("ID").SetAsLong(key_field.AsInteger());
      }
      probe.Open();
      if (!probe.Eof()) {
        statement = nullptr;
        for (std::size_t i = 0; i < fields.size(); ++i) {
          if (!SameValue(*fields[i], probe.Fields(i))) {
            statement = &target.Update();
            break;
          }
        }
      }
      probe.Close();
    }
    if (!statement) {
      ++result.Unchanged;
      continue;
    }
    try {
      WriteRow(*statement, fields);
    } catch (...) {
      result.FailedKey = key_field.AsString();
      WrapException("Вставка/Изменение записи с ID=" + result.FailedKey, true);
    }
    ++(statement == &target.Insert() ? result.Inserted : result.Updated);
  }
}

}  // namespace

void ReplicateTable(const TTableContext& context, const ReplicatedTable& table, TDateTime new_mark,
                    TTableResult& result) {
  const std::string name(table.table);
  result.Table = name;
  context.progress.RecordCount = 0;
  context.progress.RecordNo = 0;
  try {
    const std::string mark_key = ReplicationMarkKey(name);
    result.MarkBefore = ReadConfDateTime(context.copy_conf, kMarkSection, mark_key, 0);
    result.MarkAfter = result.MarkBefore;
    const TDateTime bound = result.MarkBefore > 0 ? result.MarkBefore - context.overlap : 0;

    const auto source = context.fyrn.CreateDataSet(context.work, nullptr);
    const std::string tail = SourceQueryTail(table, bound);
    context.progress.RecordCount = CountRows(*source, tail);
    if (context.progress.RecordCount > 0) {
      source->SetSelectSQL("SELECT t.* " + tail + " ORDER BY t.MODIFYDATE ");
      source->Open();
      if (!source->Eof()) {
        TargetWriter target(context.fyrn, context.copy, name);
        CopyRows(context, *source, target, table, result);
        if (result.Copied() > 0) {
          LogProgram(FormatLogText("Обработка таблицы [%s]: скопировано %d записей",
                                   {name, result.Copied()}));
        }
        target.Commit();
      }
      source->Close();
    }
    WriteConfDateTime(context.copy_conf, kMarkSection, mark_key, new_mark);
    result.MarkAfter = new_mark;
  } catch (...) {
    result.Failed = true;
    WrapException("Репликация таблицы \"" + name + "\"", true);
  }
}

}  // namespace brindle
