#include "replication/table_replication.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/copy_record.h"
#include "replication/copy_writer.h"
#include "replication/overlap_stamps.h"
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

// The writer of a table and what it has written into the result, from sources of one select
// list ("SELECT t.*"), each copied as it is opened.
class TTableCopy {
 public:
  TTableCopy(const TTableContext& context, const ReplicatedTable& table, TTableResult& result)
      : context_(context), target_(context.fyrn, context.copy, table), result_(result) {}

  // Copies the rows of the open source. What was written, up to a failure too, goes into the
  // result.
  void Copy(TIBDataSet& source) {
    try {
      if (!begun_) Begin(source);
      TSourceRows rows(source, fields_, target_.BatchRows());
      for (auto batch = rows.Next(); !batch.empty(); batch = rows.Next()) {
        for (std::size_t row = 0; row < batch.size(); ++row) {
          ++context_.progress.RecordNo;
          ++result_.Read;
          target_.Add(batch, row);
        }
        // A read that was not counted first shows its rows so far.
        if (context_.progress.RecordCount < context_.progress.RecordNo) {
          context_.progress.RecordCount = context_.progress.RecordNo.load();
        }
      }
      target_.Flush();
    } catch (...) {
      TakeCounts();
      throw;
    }
    TakeCounts();
  }
  // Commits what was written, and logs how much.
  void Commit() {
    if (result_.Copied() > 0) {
      LogProgram(FormatLogText("Обработка таблицы [%s]: скопировано %d записей",
                               {result_.Table, result_.Copied()}));
    }
    if (begun_) target_.Commit();
  }

 private:
  void Begin(TIBDataSet& source) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < source.FieldCount(); ++i) {
      const std::string& name = source.Fields(i).FieldName();
      if (!target_.HasColumn(name)) continue;  // only in the working database
      fields_.push_back(i);
      names.push_back(name);
    }
    target_.Begin(std::move(names));
    begun_ = true;
  }
  void TakeCounts() {
    const TCopyWriter::Counts written = target_.Written();
    result_.Inserted = written.Inserted;
    result_.Updated = written.Updated;
    result_.Unchanged = unchanged_before_ + written.Unchanged;
    result_.FailedKey = target_.FailedKey();
  }

  const TTableContext& context_;
  TCopyWriter target_;
  TTableResult& result_;
  const std::int64_t unchanged_before_ = result_.Unchanged;
  bool begun_ = false;
  std::vector<std::size_t> fields_;
};

// Copies the rows of the source's query ("SELECT t.*") and commits them.
void CopyRows(const TTableContext& context, const ReplicatedTable& table, TIBDataSet& source,
              TTableResult& result) {
  source.Open();
  if (!source.Eof()) {
    TTableCopy copy(context, table, result);
    copy.Copy(source);
    copy.Commit();
  }
  source.Close();
}

// Reads the keys and stamps after the bound first, and whole rows only for those the copy lacks
// or holds with another stamp.
void CopyByStamps(const TTableContext& context, const ReplicatedTable& table, TDateTime bound,
                  TTableResult& result) {
  const TOverlapStamps stamps =
      CompareStamps(context.fyrn, context.work, context.copy, table, bound);
  result.Unchanged = stamps.Same;
  const std::vector<ibx::TIBValue>& keys = stamps.ReadAgain;
  context.progress.RecordCount = static_cast<std::int32_t>(keys.size());
  if (keys.empty()) return;
  const auto source = context.fyrn.CreateDataSet(context.work, nullptr);
  TTableCopy copy(context, table, result);
  for (std::size_t first = 0; first < keys.size(); first += kReadAgainKeys) {
    const std::size_t count = std::min(kReadAgainKeys, keys.size() - first);
    source->SetSelectSQL(ReadAgainSql(table, count));
    for (std::size_t i = 0; i < count; ++i) source->Params(i).SetAsVariant(keys[first + i]);
    source->Open();
    copy.Copy(*source);
    source->Close();
  }
  copy.Commit();
}

// The rows of the window stamped from the previous pass's mark on or written by transactions
// numbered from `pending_from` on, whole.
void CopyWrittenSince(const TTableContext& context, const ReplicatedTable& table, TDateTime bound,
                      const TSeenRows& seen, TTableResult& result) {
  // With no row to write the copy is not otherwise asked: a table gone from it still fails.
  const auto copied = context.fyrn.CreateDataSet(context.copy, nullptr);
  copied->SetSelectSQL("SELECT t.\"" + std::string(table.key_column) + "\", t.MODIFYDATE FROM \"" +
                       std::string(table.table) + "\" t");
  copied->Prepare();
  const auto source = context.fyrn.CreateDataSet(context.work, nullptr);
  source->SetSelectSQL("SELECT t.* " + SourceQueryTail(table, bound) +
                       " AND (t.MODIFYDATE >= TIMESTAMP '" + FormatSqlDateTime(seen.mark) +
                       "' OR t.RDB$RECORD_VERSION >= " + std::to_string(seen.pending_from) + ")");
  CopyRows(context, table, *source, result);
}

// The engine's last committed pass of the table, when this pass may read only what was written
// since it looked (TSeenRows).
const TSeenRows* SeenBefore(const TTableContext& context, const ReplicatedTable& table,
                            TDateTime mark, TDateTime bound) {
  if (!context.seen || !context.overlap_by_stamps || !table.card_column.empty() || bound <= 0) {
    return nullptr;  // a card's rows join when it gets a purse, whoever wrote them
  }
  const auto found = context.seen->find(std::string(table.table));
  if (found == context.seen->end()) return nullptr;
  const TSeenRows& seen = found->second;
  const bool same_mark = std::abs(seen.mark - mark) < 1e-3 / kSecondsPerDay;
  return seen.databases == context.databases && same_mark && bound >= seen.bound ? &seen : nullptr;
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

    if (const TSeenRows* seen = SeenBefore(context, table, result.MarkBefore, bound)) {
      CopyWrittenSince(context, table, bound, *seen, result);
    } else if (context.overlap_by_stamps && result.MarkBefore > 0 && bound > 0) {
      CopyByStamps(context, table, bound, result);
    } else {
      const auto source = context.fyrn.CreateDataSet(context.work, nullptr);
      const std::string tail = SourceQueryTail(table, bound);
      context.progress.RecordCount = CountRows(*source, tail);
      if (context.progress.RecordCount > 0) {
        source->SetSelectSQL("SELECT t.* " + tail + " ORDER BY t.MODIFYDATE ");
        CopyRows(context, table, *source, result);
      }
    }
    WriteMark(context.copy_conf, name, new_mark);
    result.MarkAfter = new_mark;
    if (context.seen) {
      const std::int64_t pending_from =
          context.horizon ? context.horizon->PendingFrom(table.table) : 0;
      if (pending_from > 0) {
        (*context.seen)[name] = {context.databases, new_mark, bound, pending_from};
      } else {
        context.seen->erase(name);
      }
    }
  } catch (...) {
    if (context.seen) context.seen->erase(name);
    result.Failed = true;
    WrapException("Репликация таблицы \"" + name + "\"", true);
  }
}

}  // namespace brindle
