#include "replication/copy_record.h"

#include <cmath>

#include "dbaccess/conf_calls.h"
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

std::int32_t ReadFailedPasses(TfbIniFile& copy_conf) {
  return ReadConfInt(copy_conf, kReplicationInfo, kFailedPasses, 0);
}

TCopyFreshness ReadCopyFreshness(TfbIniFile& copy_conf) {
  TCopyFreshness freshness;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    const std::string table(entry.table);
    TTableFreshness& row = freshness.Tables.emplace_back();
    row.Table = table;
    row.CompleteAsOf = ReadConfDateTime(copy_conf, kReplicationInfo, CompleteAsOfKey(table), 0);
    row.Mark = ReadMark(copy_conf, table);
    row.LastPassRows = ReadConfInt64(copy_conf, kReplicationInfo, LastPassRowsKey(table), 0);
    row.LastPassSeconds = ReadConfFloat(copy_conf, kReplicationInfo, LastPassSecondsKey(table), 0);
  }
  freshness.LastCopyTime = ReadLastCopyTime(copy_conf);
  freshness.LastPassStarted = ReadConfDateTime(copy_conf, kReplicationInfo, kLastPassStarted, 0);
  freshness.LastPassSeconds = ReadConfFloat(copy_conf, kReplicationInfo, kLastPassSeconds, 0);
  freshness.FailedPasses = ReadFailedPasses(copy_conf);
  freshness.LastError = ReadConfString(copy_conf, kReplicationInfo, kLastError, "");
  TCheckFreshness& check = freshness.LastCheck;
  check.Finished = ReadConfDateTime(copy_conf, kReplicationInfo, kCheckFinished, 0);
  check.Compared = ReadConfInt64(copy_conf, kReplicationInfo, kCheckCompared, 0);
  check.Missing = ReadConfInt64(copy_conf, kReplicationInfo, kCheckMissing, 0);
  check.Different = ReadConfInt64(copy_conf, kReplicationInfo, kCheckDifferent, 0);
  check.Orphans = ReadConfInt64(copy_conf, kReplicationInfo, kCheckOrphans, 0);
  check.Left = ReadConfInt64(copy_conf, kReplicationInfo, kCheckLeft, 0);
  check.Failed = ReadConfBool(copy_conf, kReplicationInfo, kCheckFailed, false);
  check.Summary = ReadConfString(copy_conf, kReplicationInfo, kCheckSummary, "");
  check.NotCompared = ReadConfInt64(copy_conf, kReplicationInfo, kCheckNotCompared, 0);
  TCheckAttempt& attempt = freshness.LastCheckAttempt;
  attempt.Finished = ReadConfDateTime(copy_conf, kReplicationInfo, kAttemptFinished, 0);
  attempt.End = CheckEndFromName(ReadConfString(copy_conf, kReplicationInfo, kAttemptEnd, ""));
  attempt.Summary = ReadConfString(copy_conf, kReplicationInfo, kAttemptSummary, "");
  return freshness;
}

std::optional<double> LagSeconds(TDateTime complete_as_of, TDateTime now) {
  if (complete_as_of <= 0) return std::nullopt;
  return (now - complete_as_of) * kSecondsPerDay;
}

}  // namespace brindle
