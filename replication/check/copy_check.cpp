#include "replication/check/copy_check.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/check/copy_repair.h"
#include "replication/check/key_ranges.h"
#include "replication/copy_pass.h"
#include "replication/copy_record.h"
#include "replication/copy_writer.h"
#include "replication/replication_sql.h"
#include "replication/server_clock.h"
#include "replication/work_identity.h"

namespace brindle {

namespace {

constexpr char kCancelled[] = "Проверка прервана";

std::vector<std::string> ColumnNames(TFyrn& fyrn, ibx::TIBDatabase& db, const std::string& table) {
  ibx::TIBTransaction transaction(db, ibx::TIBTransactionKind::ReadOnly);
  std::vector<std::string> names;
  {
    const auto query = fyrn.CreateDataSet(db, &transaction);
    query->SetSelectSQL("SELECT * FROM \"" + table + "\"");
    for (std::size_t i = 0; i < query->FieldCount(); ++i) {
      names.push_back(query->Fields(i).FieldName());
    }
  }
  if (transaction.InTransaction()) transaction.Commit();
  return names;
}

std::size_t IndexOf(const std::vector<std::string>& columns, std::string_view name,
                    const std::string& table) {
  const auto at = std::find(columns.begin(), columns.end(), name);
  if (at == columns.end()) {
    throw Exception("Таблица " + table + ": поля " + std::string(name) + " нет в обеих БД");
  }
  return static_cast<std::size_t>(at - columns.begin());
}

bool AtOrAfter(const ibx::TIBValue& stamp, const ibx::TIBTimestamp& mark) {
  if (stamp.IsNull()) return false;
  const ibx::TIBTimestamp value = stamp.AsTimestamp();
  return std::tie(value.date.days, value.time.fractions) >=
         std::tie(mark.date.days, mark.time.fractions);
}

// What every table of one check uses; all belong to RunCopyCheck.
struct TCheckContext {
  TFyrn& fyrn;
  ibx::TIBDatabase& work;
  ibx::TIBDatabase& copy;
  TfbIniFile& copy_conf;
  // The repair's own connections; null without a repair.
  ibx::TIBDatabase* repair_work;
  ibx::TIBDatabase* repair_copy;
  const TCheckOptions& options;
};

bool Cancelled(const TCheckOptions& options) {
  return options.Cancel && *options.Cancel;
}

bool TableExists(TFyrn& fyrn, ibx::TIBDatabase& db, const std::string& table) {
  const auto query = fyrn.CreateDataSet(db, nullptr);
  query->SetSelectSQL("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NAME");
  query->ParamByName("NAME").SetAsString(table);
  query->Open();
  const bool found = !query->Eof();
  query->Close();
  return found;
}

std::int64_t CountRows(TFyrn& fyrn, ibx::TIBDatabase& db, const std::string& table) {
  const auto query = fyrn.CreateDataSet(db, nullptr);
  query->SetSelectSQL("SELECT COUNT(*) FROM \"" + table + "\"");
  query->Open();
  const std::int64_t rows = query->Fields(0).AsInt64();
  query->Close();
  return rows;
}

// The table's mark, or why the table cannot be compared: before its mark the copy is to hold
// every working row, and without one nothing is known to be copied.
std::optional<ibx::TIBTimestamp> Mark(TfbIniFile& copy_conf, const std::string& table,
                                      std::string& not_compared) {
  const TStoredMark mark = ReadStoredMark(copy_conf, table);
  if (mark.Text.empty()) {
    not_compared = "нет отметки " + mark.Key + ": таблица ещё не копировалась";
  } else if (mark.Time <= 0) {
    not_compared = "отметка " + mark.Key + " повреждена: \"" + OneLine(mark.Text) + "\"";
  } else {
    return ibx::FromDateTime(mark.Time);
  }
  return std::nullopt;
}

// Compares the table from the key `from` on (none: from its first key) to its end, or until
// `deadline` passes; then returns the key to go on from, every key below it being done on both
// sides. `orphans_before`: orphans an earlier slice of the round found in the table, which count
// against the bound.
std::optional<ibx::TIBValue> CheckTable(const TCheckContext& context, const ReplicatedTable& table,
                                        TTableCheck& result, std::optional<ibx::TIBValue> from,
                                        TCheckClock::time_point deadline,
                                        std::int64_t orphans_before) {
  const std::string name(table.table);
  if (!TableExists(context.fyrn, context.copy, name)) {
    result.NotCompared = "таблицы нет в копии";
    return std::nullopt;
  }
  const std::optional<ibx::TIBTimestamp> mark = Mark(context.copy_conf, name, result.NotCompared);
  if (!mark) return std::nullopt;
  // The columns the pass copies: the working database's that the copy has.
  const std::vector<std::string> copy_columns = ColumnNames(context.fyrn, context.copy, name);
  std::vector<std::string> columns;
  for (const std::string& column : ColumnNames(context.fyrn, context.work, name)) {
    if (std::any_of(copy_columns.begin(), copy_columns.end(),
                    [&](const std::string& other) { return SameText(other, column); })) {
      columns.push_back(column);
    }
  }
  const std::size_t key_index = IndexOf(columns, table.key_column, name);
  const std::size_t stamp_index = IndexOf(columns, "MODIFYDATE", name);

  TKeyRangeQuery copy_query{name,
                            std::string(table.key_column),
                            table.text_key,
                            {},
                            key_index,
                            context.options.RangeRows,
                            0,
                            std::move(from)};
  for (const std::string& column : columns)
    copy_query.expressions.push_back("t.\"" + column + "\"");
  TKeyRangeQuery work_query = copy_query;
  work_query.max_rows_per_second = context.options.MaxRowsPerSecond;
  // The pass's card filter, as a last column: 1 when the row is one the pass copies.
  const bool card_filter = !table.card_column.empty();
  if (card_filter) {
    work_query.expressions.push_back("IIF(" + CardHasPurse(table) + ", 1, 0)");
  }
  auto left_out = [&](const TRangeRow& row) {
    return AtOrAfter(row.Value(stamp_index), *mark) ||
           (card_filter && row.Value(columns.size()).AsInt64() != 1);
  };
  TCopiedRowComparer comparer(columns.size());

  std::optional<TCopyRepair> repair;
  if (context.repair_work) {
    TRepairOptions options;
    options.DeleteOrphans = context.options.DeleteOrphans;
    if (options.DeleteOrphans && !context.options.NoOrphanLimit) {
      options.OrphanBound = std::max<std::int64_t>(
          0, OrphanBound(CountRows(context.fyrn, context.copy, name)) - orphans_before);
    }
    options.Cancel = context.options.Cancel;
    repair.emplace(context.fyrn, *context.repair_work, *context.repair_copy, table, columns,
                   options);
  }
  // What the repair committed counts however the table ends.
  struct RepairCounts {
    const std::optional<TCopyRepair>& repair;
    TTableCheck& result;
    ~RepairCounts() {
      if (!repair) return;
      const TRepairCounts& done = repair->Done();
      result.Inserted = done.Inserted;
      result.Updated = done.Updated;
      result.Deleted = done.Deleted;
      result.Mended = done.Mended;
      result.OrphansOverBound = done.OrphansOverBound;
    }
  } repair_counts{repair, result};
  // Rows changed after the mark are left out, and the first range's snapshot comes after this
  // look: the earlier of the two never claims more than was compared.
  result.VerifiedAsOf = std::min(ServerTime(context.fyrn, context.work), ibx::ToDateTime(*mark));
  TKeyRanges work_rows(context.fyrn, context.work, std::move(work_query));
  TKeyRanges copy_rows(context.fyrn, context.copy, std::move(copy_query));
  TRangeRow work = work_rows.Next();
  TRangeRow copy = copy_rows.Next();
  std::optional<ibx::TIBValue> go_on_from;
  for (std::uint32_t step = 1; work || copy; ++step) {
    if (step % 256 == 0 && Cancelled(context.options)) throw Exception(kCancelled);
    const int order =
        !work   ? 1
        : !copy ? -1
                : CompareKeys(work.Value(key_index), copy.Value(key_index), table.text_key);
    if (step % 256 == 0 && TCheckClock::now() >= deadline) {
      // Every key below the smaller of the two is done on both sides.
      go_on_from = (order <= 0 ? work : copy).Value(key_index);
      break;
    }
    if (order < 0) {
      if (left_out(work)) {
        ++result.LeftOut;
      } else {
        if (++result.Missing <= static_cast<std::int64_t>(kCheckExampleKeys)) {
          result.MissingKeys.push_back(work.Value(key_index).AsString());
        }
        if (repair) repair->Write(work.Value(key_index));
      }
      work = work_rows.Next();
    } else if (order > 0) {
      if (++result.Orphans <= static_cast<std::int64_t>(kCheckExampleKeys)) {
        result.OrphanKeys.push_back(copy.Value(key_index).AsString());
      }
      if (repair) repair->Delete(copy.Value(key_index));
      copy = copy_rows.Next();
    } else {
      if (left_out(work)) {
        ++result.LeftOut;
      } else {
        ++result.Compared;
        const std::vector<std::size_t> differing =
            comparer.Differing(*work.rows, work.at, *copy.rows, copy.at);
        if (!differing.empty()) {
          if (++result.Different <= static_cast<std::int64_t>(kCheckExampleKeys)) {
            std::vector<std::string> names;
            for (const std::size_t i : differing) names.push_back(columns[i]);
            result.DifferentRows.push_back({work.Value(key_index).AsString(), std::move(names)});
          }
          if (repair) repair->Write(work.Value(key_index));
        }
      }
      work = work_rows.Next();
      copy = copy_rows.Next();
    }
  }
  if (repair) repair->Finish();
  // The rows read ahead past the stop are compared by the next slice.
  result.WorkRows = work_rows.RowsGiven() - (go_on_from && work ? 1 : 0);
  result.CopyRows = copy_rows.RowsGiven() - (go_on_from && copy ? 1 : 0);
  return go_on_from;
}

double SecondsSince(TCheckClock::time_point start) {
  return std::chrono::duration<double>(TCheckClock::now() - start).count();
}

}  // namespace

std::vector<ReplicatedTable> ParseCheckedTables(const std::string& names) {
  std::vector<ReplicatedTable> tables;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(names.find(',', start), names.size());
    const std::string_view name = Trim(std::string_view(names).substr(start, end - start));
    const auto all = ReplicatedTables();
    const auto found = std::find_if(all.begin(), all.end(), [&](const ReplicatedTable& table) {
      return SameText(table.table, name);
    });
    if (found == all.end()) {
      // A name is echoed back only as far as any table's name could go.
      const std::string_view shown = LeftChars(name, 40);
      throw Exception(name.empty()
                          ? std::string("пустое имя таблицы в списке")
                          : "таблица " + std::string(shown) +
                                (shown.size() < name.size() ? "..." : "") + " не копируется");
    }
    if (std::any_of(tables.begin(), tables.end(),
                    [&](const ReplicatedTable& table) { return table.table == found->table; })) {
      throw Exception("таблица " + std::string(found->table) + " названа дважды");
    }
    tables.push_back(*found);
    if (end == names.size()) return tables;
    start = end + 1;
  }
}

std::vector<ReplicatedTable> CheckedTables(const TCheckOptions& options) {
  return options.Tables.empty()
             ? std::vector<ReplicatedTable>(ReplicatedTables().begin(), ReplicatedTables().end())
             : options.Tables;
}

TCheckResult RunCheckSlice(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options,
                           TRoundPosition& position, TCheckClock::time_point deadline,
                           const std::function<void(TfbIniFile&, TCheckResult&)>& record) {
  TCheckResult result;
  result.Repair = options.Repair;
  std::unique_ptr<TfbIniFile> copy_conf;
  try {
    TFyrn::Connection work = WithContext("Рабочая БД [" + settings.WorkDBConnStr + "]", [&] {
      return fyrn.Connect(settings.WorkDBConnStr, settings.WorkDBPassword);
    });
    TFyrn::Connection copy{nullptr, {}};
    WithContext("Копия БД [" + settings.CopyDBConnStr + "]", [&] {
      copy = fyrn.Connect(settings.CopyDBConnStr, settings.CopyDBPassword);
      copy_conf = fyrn.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword);
    });
    TFyrn::Connection repair_work{nullptr, {}}, repair_copy{nullptr, {}};
    if (options.Repair) {
      const std::string identity = WorkDatabaseIdentity(fyrn, *work);
      const std::string other = OtherWorkDatabase(*copy_conf, settings.WorkDBConnStr, identity);
      if (!other.empty() && !options.OfficeMoved) {
        throw TCheckRefused(
            "исправление не начато: " + other +
            ". Если офис переехал и рабочая БД теперь эта, повторите с --office-moved");
      }
      if (!other.empty()) RecordWorkDatabase(*copy_conf, settings.WorkDBConnStr, identity);
      repair_work = fyrn.Connect(settings.WorkDBConnStr, settings.WorkDBPassword);
      repair_copy = fyrn.Connect(settings.CopyDBConnStr, settings.CopyDBPassword);
    }
    const TCheckContext context{
        fyrn, *work, *copy, *copy_conf, repair_work.get(), repair_copy.get(), options};
    const std::vector<ReplicatedTable> tables = CheckedTables(options);
    for (; position.Table < tables.size(); ++position.Table) {
      // Each slice goes on by a table's part at least, however short it is.
      if (Cancelled(options) || (!result.Tables.empty() && TCheckClock::now() >= deadline)) break;
      const ReplicatedTable& table = tables[position.Table];
      TTableCheck& table_result = result.Tables.emplace_back();
      table_result.Table = std::string(table.table);
      const auto started = TCheckClock::now();
      std::optional<ibx::TIBValue> go_on_from;
      try {
        go_on_from = CheckTable(context, table, table_result, position.FromKey, deadline,
                                position.OrphansBefore);
      } catch (const TCheckRefused&) {
        throw;
      } catch (...) {
        table_result.Error = CurrentErrorText();
      }
      table_result.Seconds = SecondsSince(started);
      if (Cancelled(options)) break;  // the table goes on from where it was
      position.FromKey = std::move(go_on_from);
      if (position.FromKey) {
        position.OrphansBefore += table_result.Orphans;
        break;
      }
      position.OrphansBefore = 0;
    }
    if (Cancelled(options)) {
      result.End = TCheckEnd::kInterrupted;
      result.Error = "получен сигнал остановки";
    }
  } catch (const TCheckRefused& e) {
    result.End = TCheckEnd::kRefused;
    result.Error = e.what();
  } catch (...) {
    result.End = TCheckEnd::kFailed;
    result.Error = CurrentErrorText();
  }
  // A check that could not reach the copy leaves the record as it was.
  if (copy_conf) {
    try {
      record(*copy_conf, result);
    } catch (...) {
      if (result.Error.empty()) {
        result.End = TCheckEnd::kFailed;
        result.Error = "итог проверки не записан в копию: " + CurrentErrorText();
      }
    }
  }
  return result;
}

TCheckResult RunCopyCheck(TFyrn& fyrn, const TCopySettings& settings,
                          const TCheckOptions& options) {
  TRoundPosition position;
  // What --status and the web side show of the checks.
  return RunCheckSlice(fyrn, settings, options, position, TCheckClock::time_point::max(),
                       [](TfbIniFile& copy_conf, const TCheckResult& result) {
                         StoreCheckFreshness(copy_conf, result, Now());
                       });
}

}  // namespace brindle
