#include "ui/known_freshness.h"

#include <algorithm>
#include <utility>

#include "schema/replicated_tables.h"

namespace brindle {

namespace {

TKnownTable Unknown(std::string name, TDateTime learnt_at) {
  TKnownTable table;
  table.Table = std::move(name);
  table.LearntAt = learnt_at;
  return table;
}

}  // namespace

TKnownFreshness::TKnownFreshness() {
  for (const ReplicatedTable& table : ReplicatedTables()) {
    tables_.push_back(Unknown(std::string(table.table), 0));
  }
}

TKnownTable& TKnownFreshness::Table(const std::string& name) {
  const auto found = std::find_if(tables_.begin(), tables_.end(),
                                  [&](const TKnownTable& table) { return table.Table == name; });
  if (found != tables_.end()) return *found;
  return tables_.emplace_back(Unknown(name, 0));
}

void TKnownFreshness::TakePass(const TPassResult& pass) {
  for (const TTableResult& result : pass.Tables) {
    TKnownTable& table = Table(result.Table);
    if (pass.Finished < table.LearntAt) continue;
    if (!result.Failed && result.MarkAfter > 0) table.CompleteAsOf = result.MarkAfter;
    table.Rows = RowsKept(result);
    table.Failed = result.Failed;
    table.FromRecord = false;
    table.LearntAt = pass.Finished;
  }
  LearnClockOffset(pass.WorkClockOffset, pass.Finished);
}

void TKnownFreshness::TakeRecord(const TCopyFreshness& record,
                                 std::optional<double> work_clock_offset, TDateTime read_started) {
  for (const TTableFreshness& recorded : record.Tables) {
    TKnownTable& table = Table(recorded.Table);
    // A copy's table is only ever verified anew, so a read that began before a pass, or before a
    // check of this session ended, still tells no later time than what it knows.
    if (read_started >= forgotten_at_) {
      table.VerifiedAsOf = std::max(table.VerifiedAsOf, recorded.VerifiedAsOf);
    }
    if (read_started < table.LearntAt) continue;
    table.CompleteAsOf = recorded.CompleteAsOf;
    const bool recorded_rows =
        !recorded.LastPassRowsDamaged && (recorded.CompleteAsOf > 0 || recorded.LastPassRows > 0);
    table.Rows = recorded_rows ? std::optional<std::int64_t>(recorded.LastPassRows) : std::nullopt;
    table.Failed = false;  // the record keeps no failure per table
    table.FromRecord = true;
    table.LearntAt = read_started;
  }
  LearnClockOffset(work_clock_offset, read_started);
}

void TKnownFreshness::LearnClockOffset(std::optional<double> offset, TDateTime learnt_at) {
  if (!offset || learnt_at < clock_offset_learnt_at_) return;
  clock_offset_ = offset;
  clock_offset_learnt_at_ = learnt_at;
}

void TKnownFreshness::TakeRound(const TCheckResult& round, TDateTime now) {
  for (TKnownTable& table : tables_) table.Checked.reset();
  for (const TTableCheck& checked : round.Tables) {
    TKnownTable& table = Table(checked.Table);
    table.Checked = checked;
    if (checked.ProvedEqual()) {
      table.VerifiedAsOf = std::max(table.VerifiedAsOf, checked.VerifiedAsOf);
    }
  }
  last_round_ = TKnownRound{round, now};
}

void TKnownFreshness::ForgetTables(TDateTime now) {
  for (TKnownTable& table : tables_) table = Unknown(table.Table, now);
  last_round_.reset();
  forgotten_at_ = now;
}

}  // namespace brindle
