#include "replication/check/sliced_check.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

// A part of a table's round after the parts before it.
void AddPart(TTableCheck& table, const TTableCheck& part) {
  for (auto [into, from] : {std::pair{&table.Compared, part.Compared},
                            {&table.Missing, part.Missing},
                            {&table.Different, part.Different},
                            {&table.Orphans, part.Orphans},
                            {&table.LeftOut, part.LeftOut},
                            {&table.WorkRows, part.WorkRows},
                            {&table.CopyRows, part.CopyRows},
                            {&table.Inserted, part.Inserted},
                            {&table.Updated, part.Updated},
                            {&table.Deleted, part.Deleted},
                            {&table.Mended, part.Mended}}) {
    *into += from;
  }
  auto add_examples = [](auto& into, const auto& from) {
    for (const auto& example : from) {
      if (into.size() < kCheckExampleKeys) into.push_back(example);
    }
  };
  add_examples(table.MissingKeys, part.MissingKeys);
  add_examples(table.DifferentRows, part.DifferentRows);
  add_examples(table.OrphanKeys, part.OrphanKeys);
  table.Seconds += part.Seconds;
  table.OrphansOverBound = table.OrphansOverBound || part.OrphansOverBound;
  if (table.NotCompared.empty()) table.NotCompared = part.NotCompared;
  if (table.Error.empty()) table.Error = part.Error;
  // The round vouches for the table as of its earliest snapshot, and not at all if a part failed.
  table.VerifiedAsOf = std::min(table.VerifiedAsOf, part.VerifiedAsOf);
}

// The key a round goes on from, as the record keeps it; none when it is not of the table's form.
std::optional<ibx::TIBValue> KeyFromText(const ReplicatedTable& table, const std::string& text) {
  if (table.text_key) return ibx::TIBValue::Text(text);
  if (const std::optional<std::int64_t> number = ParseDecimalInt64(text)) {
    return ibx::TIBValue::Int(*number);
  }
  return std::nullopt;
}

}  // namespace

TSlicedCheck::TSlicedCheck(TFyrn& fyrn, TCheckOptions options)
    : fyrn_(fyrn), options_(std::move(options)) {}

void TSlicedCheck::RequestRound(bool repair) {
  const std::lock_guard lock(mutex_);
  requested_ = repair;
}

void TSlicedCheck::Stop() {
  stop_ = true;
}

TRoundState TSlicedCheck::State() const {
  const std::lock_guard lock(mutex_);
  return state_;
}

std::optional<TCheckResult> TSlicedCheck::TakeFinished() {
  const std::lock_guard lock(mutex_);
  return std::exchange(finished_, std::nullopt);
}

bool TSlicedCheck::Begin(const TCopySettings& settings) {
  auto start = [&](bool repair, bool manual) {
    position_ = {};
    round_started_ = last_started_ = Now();
    const std::lock_guard lock(mutex_);
    state_.Running = true;
    state_.Repair = repair;
    state_.Manual = manual;
    state_.TableNo = 1;  // not the last round's
    state_.TableCount = tables_.size();
    state_.SoFar = {};
    state_.SoFar.Repair = repair;
  };
  std::optional<bool> requested;
  {
    const std::lock_guard lock(mutex_);
    requested = std::exchange(requested_, std::nullopt);
  }
  auto start_new = [&](bool repair, bool manual) {
    start(repair, manual);
    LogProgram(repair ? "Начало проверки копии БД с исправлением" : "Начало проверки копии БД");
  };
  if (requested) {
    start_new(*requested, true);
    return true;
  }
  if (State().Running) return true;
  if (settings.CheckEveryHours <= 0) return false;
  if (!record_read_) {
    const auto copy_conf = fyrn_.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword);
    const TStoredRound stored = ReadCheckRound(*copy_conf);
    {
      const std::lock_guard lock(mutex_);
      for (const TTableFreshness& table : ReadCopyFreshness(*copy_conf).Tables) {
        if (table.VerifiedAsOf > 0) state_.Verified[table.Table] = table.VerifiedAsOf;
      }
    }
    record_read_ = true;
    last_started_ = stored.Started;
    const auto at = std::find_if(tables_.begin(), tables_.end(), [&](const ReplicatedTable& table) {
      return table.table == stored.Table.Table;
    });
    // Only the schedule's rounds are taken up: a person may not want the one they began.
    if (stored.Started > 0 && at != tables_.end() && !stored.Manual) {
      start(settings.CheckRepair, false);
      round_started_ = last_started_ = stored.Started;
      position_.Table = static_cast<std::size_t>(at - tables_.begin());
      if (!stored.FromKey.empty()) {
        position_.FromKey = KeyFromText(*at, stored.FromKey);
        position_.OrphansBefore = stored.Table.Orphans;
      }
      const std::lock_guard lock(mutex_);
      state_.TableNo = position_.Table + 1;
      if (position_.FromKey) state_.SoFar.Tables.push_back(stored.Table);
      LogProgram("Проверка копии БД продолжена с таблицы " + stored.Table.Table);
      return true;
    }
  }
  // A start ahead of this computer's clock (the clock was set back) holds no round back.
  const TDateTime since = Now() - last_started_;
  if (since >= 0 && since < settings.CheckEveryHours / 24) return false;
  start_new(settings.CheckRepair, false);
  return true;
}

void TSlicedCheck::Merge(const TCheckResult& slice) {
  const std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < slice.Tables.size(); ++i) {
    const TTableCheck& part = slice.Tables[i];
    // A stopped table is taken up again from where this slice started it.
    if (i + 1 == slice.Tables.size() && slice.End == TCheckEnd::kInterrupted) break;
    if (!state_.SoFar.Tables.empty() && state_.SoFar.Tables.back().Table == part.Table) {
      AddPart(state_.SoFar.Tables.back(), part);
    } else {
      state_.SoFar.Tables.push_back(part);
    }
  }
  state_.TableNo = std::min(position_.Table + 1, tables_.size());
}

void TSlicedCheck::Record(TfbIniFile& copy_conf, const TCheckResult& slice) {
  Merge(slice);
  const bool round_over = position_.Table >= tables_.size() || slice.End == TCheckEnd::kRefused;
  const std::string in_progress =
      round_over ? std::string() : std::string(tables_[position_.Table].table);
  TStoredRound stored;
  stored.Started = round_started_;
  TCheckResult so_far;
  {
    const std::lock_guard lock(mutex_);
    stored.Repair = state_.Repair;
    stored.Manual = state_.Manual;
    so_far = state_.SoFar;
  }
  so_far.End = slice.End;
  so_far.Error = slice.Error;
  stored.Table.Table = in_progress;
  if (position_.FromKey && !so_far.Tables.empty() && so_far.Tables.back().Table == in_progress) {
    stored.FromKey = position_.FromKey->AsString();
    stored.Table = so_far.Tables.back();
  }
  // The tables whose round ended in this slice.
  for (const TTableCheck& table : so_far.Tables) {
    const bool in_slice =
        std::any_of(slice.Tables.begin(), slice.Tables.end(),
                    [&](const TTableCheck& part) { return part.Table == table.Table; });
    if (!in_slice || table.Table == in_progress) continue;
    StoreTableVerified(copy_conf, table);
    if (table.ProvedEqual()) {
      const std::lock_guard lock(mutex_);
      state_.Verified[table.Table] = table.VerifiedAsOf;
    }
  }
  WriteCheckRound(copy_conf, stored);
  if (round_over || slice.End == TCheckEnd::kInterrupted) {
    StoreCheckFreshness(copy_conf, so_far, Now());
  }
}

void TSlicedCheck::NoteFailure(const std::string& error) {
  {
    const std::lock_guard lock(mutex_);
    if (state_.LastError == error) return;
    state_.LastError = error;
  }
  // Once per new error: a server away fails every slice the same way.
  LogProgram(error, LogError);
}

bool TSlicedCheck::RunSlice(const TCopySettings& settings) {
  if (stop_) return false;
  try {
    if (!Begin(settings)) return false;
  } catch (...) {
    NoteFailure("Проверка копии БД не начата: " + CurrentErrorText());
    return false;
  }
  TCheckOptions options = options_;
  options.Tables.clear();
  options.Repair = State().Repair;
  options.OfficeMoved = false;
  options.Cancel = &stop_;
  const auto deadline =
      TCheckClock::now() + std::chrono::duration_cast<TCheckClock::duration>(
                               std::chrono::duration<double>(settings.CheckSliceSeconds));
  const TCheckResult slice = RunCheckSlice(
      fyrn_, settings, options, position_, deadline,
      [this](TfbIniFile& copy_conf, TCheckResult& result) { Record(copy_conf, result); });
  if (slice.End == TCheckEnd::kFailed) {
    // Tried again after the next pass, from where it stood.
    NoteFailure("Проверка копии БД: " + slice.Error);
    return false;
  }
  const bool round_over = slice.End != TCheckEnd::kCompleted || position_.Table >= tables_.size();
  TCheckResult round;
  {
    const std::lock_guard lock(mutex_);
    state_.LastError.clear();
    if (!round_over) return true;
    round = state_.SoFar;
    round.End = slice.End;
    round.Error = slice.Error;
    state_.Running = false;
    state_.LastRound = round;
    finished_ = round;
  }
  LogProgram(CheckSummaryText(round), round.Failed() ? LogError : LogInfo);
  return false;
}

}  // namespace brindle
