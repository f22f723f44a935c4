#include "replication/table_replication.h"

#include <memory>
#include <vector>

#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/copy_record.h"
#include "replication/copy_writer.h"
#include "replication/replication_sql.h"
#include "replication/source_rows.h"

namespace brindle {

namespace {

using ibx::TIBDataSet;

std::int32_t CountRows(TIBDataSet& source, const std::string& tail) {
  source.SetSelectSQL("SELECT COUNT(*) " + tail);
  source.Open();
  const std::int32_t count = source.Fields(0).AsInteger();
  source.Close();
  return count;
}

// Copies the open source rows. What was written, up to a failure too, goes into `result`.
void CopyRows(const TTableContext& context, TIBDataSet& source, TCopyWriter& target,
              TTableResult& result) {
  std::vector<std::size_t> fields;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    const std::string& name = source.Fields(i).FieldName();
    if (!target.HasColumn(name)) continue;  // only in the working database
    fields.push_back(i);
    names.push_back(name);
  }
  const auto take_counts = [&] {
    const TCopyWriter::Counts written = target.Written();
    result.Inserted = written.Inserted;
    result.Updated = written.Updated;
    result.Unchanged = written.Unchanged;
    result.FailedKey = target.FailedKey();
  };
  try {
    target.Begin(std::move(names));
    TSourceRows rows(source, std::move(fields), target.BatchRows());
    for (auto batch = rows.Next(); !batch.empty(); batch = rows.Next()) {
      for (std::size_t row = 0; row < batch.size(); ++row) {
        ++context.progress.RecordNo;
        ++result.Read;
        target.Add(batch, row);
      }
    }
    target.Flush();
  } catch (...) {
    take_counts();
    throw;
  }
  take_counts();
}

}  // namespace

void ReplicateTable(const TTableContext& context, const ReplicatedTable& table, TDateTime new_mark,
                    TTableResult& result) {
  const std::string name(table.table);
  result.Table = name;
  context.progress.RecordCount = 0;
  context.progress.RecordNo = 0;
  try {
    result.MarkBefore = ReadMark(context.copy_conf, name);
    result.MarkAfter = result.MarkBefore;
    const TDateTime bound = result.MarkBefore > 0 ? result.MarkBefore - context.overlap : 0;

    const auto source = context.fyrn.CreateDataSet(context.work, nullptr);
    const std::string tail = SourceQueryTail(table, bound);
    context.progress.RecordCount = CountRows(*source, tail);
    if (context.progress.RecordCount > 0) {
      source->SetSelectSQL("SELECT t.* " + tail + " ORDER BY t.MODIFYDATE ");
      source->Open();
      if (!source->Eof()) {
        TCopyWriter target(context.fyrn, context.copy, table);
        CopyRows(context, *source, target, result);
        if (result.Copied() > 0) {
          LogProgram(FormatLogText("Обработка таблицы [%s]: скопировано %d записей",
                                   {name, result.Copied()}));
        }
        target.Commit();
      }
      source->Close();
    }
    WriteMark(context.copy_conf, name, new_mark);
    result.MarkAfter = new_mark;
  } catch (...) {
    result.Failed = true;
    WrapException("Репликация таблицы \"" + name + "\"", true);
  }
}

}  // namespace brindle
