#include "replication/copy_record.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dbaccess/conf_calls.h"
#include "infra/ini_format.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "schema/replicated_tables.h"

namespace brindle {

namespace {

constexpr char kReplicationInfo[] = "REPLICATION_INFO";
constexpr char kLastCopyTime[] = "LAST_COPY_TIME";
constexpr char kWorkConnStr[] = "WORK_DB_CONN_STR";
constexpr char kWorkIdentity[] = "WORK_DB_ID";
constexpr char kWorkPassword[] = "WORK_DB_PARAM1";
constexpr char kCopyLock[] = "COPY_LOCK";
constexpr char kLastPassStarted[] = "LAST_PASS_STARTED";
constexpr char kLastPassSeconds[] = "LAST_PASS_SECONDS";
constexpr char kFailedPasses[] = "FAILED_PASSES";
constexpr char kLastError[] = "LAST_ERROR";
constexpr char kCheckFinished[] = "LAST_CHECK_FINISHED";
constexpr char kCheckCompared[] = "LAST_CHECK_COMPARED";
constexpr char kCheckMissing[] = "LAST_CHECK_MISSING";
constexpr char kCheckDifferent[] = "LAST_CHECK_DIFFERENT";
constexpr char kCheckOrphans[] = "LAST_CHECK_ORPHANS";
constexpr char kCheckLeft[] = "LAST_CHECK_LEFT";
constexpr char kCheckFailed[] = "LAST_CHECK_FAILED";
constexpr char kCheckSummary[] = "LAST_CHECK_SUMMARY";
constexpr char kCheckNotCompared[] = "LAST_CHECK_NOT_COMPARED";
constexpr char kAttemptFinished[] = "LAST_CHECK_ATTEMPT_FINISHED";
constexpr char kAttemptEnd[] = "LAST_CHECK_ATTEMPT_END";
constexpr char kAttemptSummary[] = "LAST_CHECK_ATTEMPT_SUMMARY";
constexpr char kWorkClockOffset[] = "WORK_CLOCK_OFFSET";
constexpr char kCheckRound[] = "CHECK_ROUND";

std::string MarkKey(const std::string& table) {
  return "LAST_" + table + "_MODIFYDATE";
}
std::string CompleteAsOfKey(const std::string& table) {
  return table + "_COMPLETE_AS_OF";
}
std::string LastPassRowsKey(const std::string& table) {
  return table + "_LAST_PASS_ROWS";
}
std::string LastPassSecondsKey(const std::string& table) {
  return table + "_LAST_PASS_SECONDS";
}
std::string VerifiedAsOfKey(const std::string& table) {
  return table + "_VERIFIED_AS_OF";
}

}  // namespace

TDateTime ReadMark(TfbIniFile& copy_conf, const std::string& table) {
  return ReadConfDateTime(copy_conf, kReplicationInfo, MarkKey(table), 0);
}

void WriteMark(TfbIniFile& copy_conf, const std::string& table, TDateTime mark) {
  WriteConfDateTime(copy_conf, kReplicationInfo, MarkKey(table), mark);
}

TStoredMark ReadStoredMark(TfbIniFile& copy_conf, const std::string& table) {
  TStoredMark mark;
  mark.Key = MarkKey(table);
  mark.Text = ReadConfString(copy_conf, kReplicationInfo, mark.Key, "");
  mark.Time = ReadConfDateTime(copy_conf, kReplicationInfo, mark.Key, -1);
  return mark;
}

TDateTime ReadLastCopyTime(TfbIniFile& copy_conf) {
  return ReadConfDateTime(copy_conf, kReplicationInfo, kLastCopyTime, 0);
}

void WriteLastCopyTime(TfbIniFile& copy_conf, TDateTime time) {
  WriteConfDateTime(copy_conf, kReplicationInfo, kLastCopyTime, time);
}

TRecordedWorkDatabase ReadWorkDatabase(TfbIniFile& copy_conf) {
  return {ReadConfString(copy_conf, kReplicationInfo, kWorkConnStr, ""),
          ReadConfString(copy_conf, kReplicationInfo, kWorkIdentity, "")};
}

void RecordWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                        const std::string& identity) {
  const TRecordedWorkDatabase recorded = ReadWorkDatabase(copy_conf);
  if (recorded.ConnStr != conn_str) {
    WriteConfString(copy_conf, kReplicationInfo, kWorkConnStr, conn_str);
  }
  if (recorded.Identity != identity) {
    WriteConfString(copy_conf, kReplicationInfo, kWorkIdentity, identity);
  }
}

void RecordWorkPassword(TfbIniFile& copy_conf, const std::string& password) {
  WriteConfString(copy_conf, kReplicationInfo, kWorkPassword, HexEncode(password));
}

std::string CopyLockRowCondition() {
  return std::string(
             "FILENAME = 'CONF' AND COMPUTERNAME = '*' AND USERNAME = '*' AND "
             "SECTIONNAME = '") +
         kReplicationInfo + "' AND PARAMNAME = '" + kCopyLock + "'";
}

std::string CopyLockRowValues() {
  return std::string("'CONF', '*', '*', '") + kReplicationInfo + "', '" + kCopyLock + "'";
}

std::int64_t RowsKept(const TTableResult& table) {
  return table.Failed ? 0 : table.Copied();
}

namespace {

// Each write commits, and a commit on the copy costs far more than a read: a value the copy
// already holds is not written again. Most tables copy nothing in most passes.
void StoreIfChanged(TfbIniFile& copy_conf, const std::string& key, std::int64_t value) {
  if (ReadConfInt64(copy_conf, kReplicationInfo, key, value + 1) != value) {
    WriteConfInt(copy_conf, kReplicationInfo, key, value);
  }
}
void StoreIfChanged(TfbIniFile& copy_conf, const std::string& key, double value) {
  if (std::abs(ReadConfFloat(copy_conf, kReplicationInfo, key, value + 1) - value) > 0.01) {
    WriteConfFloat(copy_conf, kReplicationInfo, key, value);
  }
}
void StoreIfChanged(TfbIniFile& copy_conf, const std::string& key, const std::string& value) {
  if (ReadConfString(copy_conf, kReplicationInfo, key, value + "?") != value) {
    WriteConfString(copy_conf, kReplicationInfo, key, value);
  }
}

// To a tenth of a second, which people read; finer times would change in every pass.
double TenthsOfSecond(double seconds) {
  return std::round(seconds * 10) / 10;
}

}  // namespace

void RecordWorkClockOffset(TfbIniFile& copy_conf, double seconds) {
  if (std::abs(ReadConfFloat(copy_conf, kReplicationInfo, kWorkClockOffset, seconds + 2) -
               seconds) > 1) {
    WriteConfFloat(copy_conf, kReplicationInfo, kWorkClockOffset,
                   std::round(seconds * 1000) / 1000);
  }
}

void StoreTableFreshness(TfbIniFile& copy_conf, const TTableResult& table) {
  if (table.MarkAfter > 0 && !table.Failed) {
    WriteConfDateTime(copy_conf, kReplicationInfo, CompleteAsOfKey(table.Table), table.MarkAfter);
  }
  StoreIfChanged(copy_conf, LastPassRowsKey(table.Table), RowsKept(table));
  StoreIfChanged(copy_conf, LastPassSecondsKey(table.Table), TenthsOfSecond(table.Seconds));
}

void StorePassFreshness(TfbIniFile& copy_conf, const TPassResult& result) {
  WriteConfDateTime(copy_conf, kReplicationInfo, kLastPassStarted, result.Started);
  WriteConfFloat(copy_conf, kReplicationInfo, kLastPassSeconds,
                 (result.Finished - result.Started) * kSecondsPerDay);
  StoreIfChanged(copy_conf, kFailedPasses, std::int64_t{result.FailedPasses});
  StoreIfChanged(copy_conf, kLastError, result.Failed() && result.Error ? result.Error->Text : "");
}

void StoreCheckFreshness(TfbIniFile& copy_conf, const TCheckResult& result, TDateTime finished) {
  WriteConfDateTime(copy_conf, kReplicationInfo, kAttemptFinished, finished);
  WriteConfString(copy_conf, kReplicationInfo, kAttemptEnd, CheckEndName(result.End));
  WriteConfString(copy_conf, kReplicationInfo, kAttemptSummary, CheckSummaryText(result));
  for (const TTableCheck& table : result.Tables) StoreTableVerified(copy_conf, table);
  // A check that did not go through its tables proves nothing, and leaves the last one that did.
  if (!result.Completed()) return;
  WriteConfInt(copy_conf, kReplicationInfo, kCheckNotCompared, result.NotCompared());
  WriteConfDateTime(copy_conf, kReplicationInfo, kCheckFinished, finished);
  WriteConfInt(copy_conf, kReplicationInfo, kCheckCompared, result.Compared());
  WriteConfInt(copy_conf, kReplicationInfo, kCheckMissing, result.Missing());
  WriteConfInt(copy_conf, kReplicationInfo, kCheckDifferent, result.Different());
  WriteConfInt(copy_conf, kReplicationInfo, kCheckOrphans, result.Orphans());
  WriteConfInt(copy_conf, kReplicationInfo, kCheckLeft, result.Left());
  WriteConfBool(copy_conf, kReplicationInfo, kCheckFailed, result.Failed());
  WriteConfString(copy_conf, kReplicationInfo, kCheckSummary, CheckSummaryText(result));
}

namespace {

// The counts of a table in progress, in the order of the round's record.
auto RoundCounts(TTableCheck& table) {
  return std::array<std::int64_t*, 11>{&table.Compared, &table.Missing,  &table.Different,
                                       &table.Orphans,  &table.LeftOut,  &table.WorkRows,
                                       &table.CopyRows, &table.Inserted, &table.Updated,
                                       &table.Deleted,  &table.Mended};
}

}  // namespace

// One value, so that a round's position is never half written: started;repair;manual;table;
// hexadecimal key;verified;the counts;orphans over the bound.
void WriteCheckRound(TfbIniFile& copy_conf, const TStoredRound& round) {
  TTableCheck table = round.Table;
  std::string text = FormatIniDateTime(round.Started) + ";" + (round.Repair ? "1" : "0") + ";" +
                     (round.Manual ? "1" : "0") + ";" + table.Table + ";" +
                     HexEncode(round.FromKey) + ";" + FormatIniFloat(table.VerifiedAsOf);
  for (const std::int64_t* count : RoundCounts(table)) text += ";" + std::to_string(*count);
  text += table.OrphansOverBound ? ";1" : ";0";
  WriteConfString(copy_conf, kReplicationInfo, kCheckRound, text);
}

TStoredRound ReadCheckRound(TfbIniFile& copy_conf) {
  const std::string text = ReadConfString(copy_conf, kReplicationInfo, kCheckRound, "");
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    fields.emplace_back(std::string_view(text).substr(start, end - start));
    if (end == text.size()) break;
    start = end + 1;
  }
  TStoredRound round;
  if (fields.size() != 18) return {};
  const std::optional<TDateTime> started = ParseIniDateTime(fields[0]);
  const std::optional<std::string> key = HexDecode(fields[4]);
  const std::optional<double> verified = ParseIniFloat(fields[5]);
  if (!started || !key || !verified) return {};
  round.Started = *started;
  round.Repair = fields[1] == "1";
  round.Manual = fields[2] == "1";
  round.Table.Table = std::string(fields[3]);
  round.FromKey = *key;
  round.Table.VerifiedAsOf = *verified;
  std::size_t at = 6;
  for (std::int64_t* count : RoundCounts(round.Table)) {
    const std::optional<std::int64_t> value = ParseDecimalInt64(fields[at++]);
    if (!value || *value < 0) return {};
    *count = *value;
  }
  round.Table.OrphansOverBound = fields[at] == "1";
  return round;
}

void StoreTableVerified(TfbIniFile& copy_conf, const TTableCheck& table) {
  if (table.ProvedEqual()) {
    WriteConfDateTime(copy_conf, kReplicationInfo, VerifiedAsOfKey(table.Table),
                      table.VerifiedAsOf);
  }
}

std::int32_t ReadFailedPasses(TfbIniFile& copy_conf) {
  return ReadConfInt(copy_conf, kReplicationInfo, kFailedPasses, 0);
}

namespace {

// Reads the record's values, listing those that are not of their key's form. A missing or empty
// value is not known, not damaged.
class TRecordReader {
 public:
  TRecordReader(TfbIniFile& conf, std::vector<TDamagedValue>& damaged)
      : conf_(conf), damaged_(damaged) {}

  std::string Text(const std::string& key) {
    return ReadConfString(conf_, kReplicationInfo, key, "");
  }
  TDateTime Time(const std::string& key, bool* damaged = nullptr) {
    return Parsed(key, "не дата и время", damaged, ParseIniDateTime).value_or(0);
  }
  std::int64_t Count(const std::string& key, bool* damaged = nullptr) {
    return Parsed(key, "не целое число не меньше нуля", damaged, ParseCount).value_or(0);
  }
  std::optional<double> Seconds(const std::string& key, bool negative_allowed = false) {
    return Parsed(key, "не число секунд", nullptr,
                  [negative_allowed](std::string_view text) -> std::optional<double> {
                    const std::optional<double> value = ParseIniFloat(text);
                    if (!value || !std::isfinite(*value) || (*value < 0 && !negative_allowed)) {
                      return std::nullopt;
                    }
                    return value;
                  });
  }

 private:
  static std::optional<std::int64_t> ParseCount(std::string_view text) {
    const std::optional<std::int64_t> value = ParseDecimalInt64(text);
    return value && *value >= 0 ? value : std::nullopt;
  }

  // None when the value is missing or damaged.
  template <class Parse>
  auto Parsed(const std::string& key, const char* problem, bool* damaged, Parse parse)
      -> decltype(parse(std::string_view())) {
    const std::string text = Text(key);
    if (Trim(text).empty()) return std::nullopt;
    auto value = parse(text);
    if (!value) {
      damaged_.push_back({key, text, problem});
      if (damaged) *damaged = true;
    }
    return value;
  }

  TfbIniFile& conf_;
  std::vector<TDamagedValue>& damaged_;
};

}  // namespace

TCopyFreshness ReadCopyFreshness(TfbIniFile& copy_conf) {
  TCopyFreshness freshness;
  TRecordReader read(copy_conf, freshness.Damaged);
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    const std::string table(entry.table);
    TTableFreshness& row = freshness.Tables.emplace_back();
    row.Table = table;
    row.CompleteAsOf = read.Time(CompleteAsOfKey(table), &row.CompleteAsOfDamaged);
    row.Mark = read.Time(MarkKey(table), &row.MarkDamaged);
    row.LastPassRows = read.Count(LastPassRowsKey(table), &row.LastPassRowsDamaged);
    row.LastPassSeconds = read.Seconds(LastPassSecondsKey(table)).value_or(0);
    row.VerifiedAsOf = read.Time(VerifiedAsOfKey(table), &row.VerifiedAsOfDamaged);
  }
  freshness.LastCopyTime = read.Time(kLastCopyTime);
  freshness.LastPassStarted = read.Time(kLastPassStarted);
  freshness.LastPassSeconds = read.Seconds(kLastPassSeconds).value_or(0);
  const std::int64_t failed_passes = read.Count(kFailedPasses, &freshness.FailedPassesDamaged);
  freshness.FailedPasses =
      static_cast<std::int32_t>(std::min<std::int64_t>(failed_passes, INT32_MAX));
  freshness.LastError = read.Text(kLastError);
  if (const std::optional<double> offset = read.Seconds(kWorkClockOffset, true)) {
    freshness.WorkClockOffset = *offset / kSecondsPerDay;
  }
  TCheckFreshness& check = freshness.LastCheck;
  check.Finished = read.Time(kCheckFinished);
  check.Compared = read.Count(kCheckCompared);
  check.Missing = read.Count(kCheckMissing);
  check.Different = read.Count(kCheckDifferent);
  check.Orphans = read.Count(kCheckOrphans);
  check.Left = read.Count(kCheckLeft);
  check.Failed = read.Count(kCheckFailed) != 0;
  check.Summary = read.Text(kCheckSummary);
  check.NotCompared = read.Count(kCheckNotCompared);
  TCheckAttempt& attempt = freshness.LastCheckAttempt;
  attempt.Finished = read.Time(kAttemptFinished);
  attempt.End = CheckEndFromName(read.Text(kAttemptEnd));
  attempt.Summary = read.Text(kAttemptSummary);
  return freshness;
}

void NoteFutureTimes(TCopyFreshness& freshness, std::optional<TDateTime> work_now,
                     TDateTime local_now) {
  constexpr TDateTime kMinute = 60 / kSecondsPerDay;
  const auto note = [&](TDateTime& time, const std::string& key, TDateTime now,
                        bool* damaged = nullptr) {
    if (time <= now + kMinute) return;
    freshness.Damaged.push_back({key, FormatDisplayDateTime(time), "время в будущем"});
    time = 0;
    if (damaged) *damaged = true;
  };
  for (TTableFreshness& table : freshness.Tables) {
    if (!work_now) break;
    note(table.CompleteAsOf, CompleteAsOfKey(table.Table), *work_now, &table.CompleteAsOfDamaged);
    note(table.Mark, MarkKey(table.Table), *work_now, &table.MarkDamaged);
    note(table.VerifiedAsOf, VerifiedAsOfKey(table.Table), *work_now, &table.VerifiedAsOfDamaged);
  }
  note(freshness.LastCopyTime, kLastCopyTime, local_now);
  note(freshness.LastPassStarted, kLastPassStarted, local_now);
  note(freshness.LastCheck.Finished, kCheckFinished, local_now);
  note(freshness.LastCheckAttempt.Finished, kAttemptFinished, local_now);
}

std::optional<double> LagSeconds(TDateTime complete_as_of, TDateTime now) {
  if (complete_as_of <= 0) return std::nullopt;
  return (now - complete_as_of) * kSecondsPerDay;
}

}  // namespace brindle
