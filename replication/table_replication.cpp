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

// The server's time, read through the working connection's own read transaction.
TDateTime ServerTimestamp(TIBDataSet& source) {
  source.SetSelectSQL("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE");
  source.Open();
  const TDateTime now = source.Fields(0).AsDateTime();
  source.Close();
  return now;
}

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

// Copies the open source rows; returns how many were written.
int CopyRows(TCopyDBThread& thread, TIBDataSet& source, TargetWriter& target,
             const std::string& table, const std::string& key) {
  std::vector<TIBField*> fields;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    TIBField& field = source.Fields(i);
    if (!target.HasColumn(field.FieldName())) continue;  // only in the working database
    fields.push_back(&field);
    names.push_back(field.FieldName());
  }
  target.Prepare(BuildReplicationStatements(table, key, names), fields.size());

  TIBField& key_field = source.FieldByName(key);
  const bool text_key = table == "TERM_COUNTERS";
  int copied = 0;
  for (; !source.Eof(); source.Next()) {
    ++thread.RecordNo;
    TIBDataSet* statement = &target.Insert();
    if (!target.Empty()) {
      TIBDataSet& probe = target.Probe();
      if (text_key) {
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
    if (!statement) continue;
    try {
      WriteRow(*statement, fields);
    } catch (...) {
      WrapException("Вставка/Изменение записи с ID=" + key_field.AsString(), true);
    }
    ++copied;
  }
  return copied;
}

}  // namespace

void ReplicateTable(TCopyDBThread& thread, const std::string& table, const std::string& key,
                    TfbIniFile& copy_conf) {
  thread.RecordCount = 0;
  thread.RecordNo = 0;
  try {
    TFyrn& fyrn = Fyrn();
    const std::string mark_key = ReplicationMarkKey(table);
    TDateTime mark = ReadConfDateTime(copy_conf, kMarkSection, mark_key, 0);
    if (mark > 0) mark -= MarkOverlap;

    const auto source = fyrn.CreateDataSet(*thread.WorkConnection, nullptr);
    const TDateTime started = ServerTimestamp(*source);
    const std::string tail = SourceQueryTail(table, mark);
    thread.RecordCount = CountRows(*source, tail);
    if (thread.RecordCount > 0) {
      source->SetSelectSQL("SELECT t.* " + tail + " ORDER BY t.MODIFYDATE ");
      source->Open();
      if (!source->Eof()) {
        TargetWriter target(fyrn, *thread.CopyConnection, table);
        const int copied = CopyRows(thread, *source, target, table, key);
        if (copied > 0) {
          LogProgram(FormatLogText("Обработка таблицы [%s]: скопировано %d записей",
                                   {table, copied}));
        }
        target.Commit();
      }
      source->Close();
    }
    WriteConfDateTime(copy_conf, kMarkSection, mark_key, started);
  } catch (...) {
    WrapException("Репликация таблицы \"" + table + "\"", true);
  }
}

}  // namespace brindle
