// The copy's record of itself, in its configuration (section REPLICATION_INFO of CONF): the one
// place that names its keys. It holds each table's mark; which working database the copy is
// filled from; how fresh the copy is, so that the web side and any other program can read it:
// per table, the time up to which the table of the copy is complete, the rows the last pass left
// in it and the time that table took; per pass, its start, its duration, the failed passes since
// the last success and the error of the last failed one; what the last check of the copy against
// the working database found; and the row of the copy's lock. The README lists the keys ("The
// copy's REPLICATION_INFO keys"); their names and text forms are a contract with readers.
//
// Times are as the database library writes date-times. A table's complete-as-of time is on the
// working server's clock (it is the table's mark); LAST_COPY_TIME and the pass's start are on
// the clock of the computer that copied. The store calls raise what the configuration object
// raises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/check_result.h"
#include "replication/pass_result.h"

namespace brindle {

class TfbIniFile;

// A table's high-water mark (LAST_<T>_MODIFYDATE), on the working server's clock; 0: none.
TDateTime ReadMark(TfbIniFile& copy_conf, const std::string& table);
void WriteMark(TfbIniFile& copy_conf, const std::string& table, TDateTime mark);

// A table's mark as stored, for telling a missing mark from a damaged one.
struct TStoredMark {
  std::string Key;     // the key's name, for messages
  std::string Text;    // as stored; empty when there is none
  TDateTime Time = 0;  // 0 or less when the text is no time
};
TStoredMark ReadStoredMark(TfbIniFile& copy_conf, const std::string& table);

// The end of the last completed pass (LAST_COPY_TIME); 0: none.
TDateTime ReadLastCopyTime(TfbIniFile& copy_conf);
void WriteLastCopyTime(TfbIniFile& copy_conf, TDateTime time);

// The working database the copy is filled from: its connection string, its identity
// (replication/work_identity.h) and its password in the stored hexadecimal form.
struct TRecordedWorkDatabase {
  std::string ConnStr;   // empty: never recorded
  std::string Identity;  // empty: recorded before identities were
};
TRecordedWorkDatabase ReadWorkDatabase(TfbIniFile& copy_conf);
// Writes only what changed.
void RecordWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                        const std::string& identity);
void RecordWorkPassword(TfbIniFile& copy_conf, const std::string& password);

// The working server's clock less the copy server's, in seconds, as a pass measured it. Written
// only when it moved by more than a second, so that network delays do not cost a commit a pass.
void RecordWorkClockOffset(TfbIniFile& copy_conf, double seconds);

// The WHERE condition of the copy lock's row of CONFIGPARAMS, and the values of its columns
// FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME as SQL literals.
std::string CopyLockRowCondition();
std::string CopyLockRowValues();

// Rows the pass left written in the table of the copy: none when the table failed, since its
// writes were rolled back.
std::int64_t RowsKept(const TTableResult& table);

// After a table was replicated or failed on its own.
void StoreTableFreshness(TfbIniFile& copy_conf, const TTableResult& table);

// After a pass that completed or failed: its start, its duration (to result.Finished),
// result.FailedPasses and, when it failed, its error (a completed pass clears the error).
void StorePassFreshness(TfbIniFile& copy_conf, const TPassResult& result);

// The failed passes since the last success, as the copy records them (0 when none are).
std::int32_t ReadFailedPasses(TfbIniFile& copy_conf);

// After a check of the copy that ended at `finished` (this computer's clock): the
// LAST_CHECK_ATTEMPT_ keys for every check, and the LAST_CHECK_ keys of the last check that went
// through its tables only for one that did; each table it proved equal, also in a check that did
// not go through every table, is verified as of the working server's time its comparison began.
void StoreCheckFreshness(TfbIniFile& copy_conf, const TCheckResult& result, TDateTime finished);
// A table a check proved equal, as verified as of its VerifiedAsOf; nothing for any other.
void StoreTableVerified(TfbIniFile& copy_conf, const TTableCheck& table);

// Where the copy's check in slices stands (CHECK_ROUND), so that a restart goes on from there.
struct TStoredRound {
  TDateTime Started = 0;  // this computer's clock; 0: no round recorded
  bool Repair = false;
  bool Manual = false;  // asked for by a person rather than the schedule
  // The table in progress, with what the slices before found in it (counts, the earliest
  // VerifiedAsOf); an empty Table.Table: the round is over.
  TTableCheck Table;
  std::string FromKey;  // the key's text to go on from in it; empty: from its first key
};
// A value that is not of the record's form reads as no round (Started 0).
TStoredRound ReadCheckRound(TfbIniFile& copy_conf);
void WriteCheckRound(TfbIniFile& copy_conf, const TStoredRound& round);

// The last check of the copy, as the copy records it.
struct TCheckFreshness {
  TDateTime Finished = 0;  // 0: no check has recorded itself
  std::int64_t Compared = 0;
  std::int64_t Missing = 0;
  std::int64_t Different = 0;
  std::int64_t Orphans = 0;
  std::int64_t Left = 0;         // differences the copy still holds (all of them without a repair)
  bool Failed = false;           // the check, or a table of it, ended with an error
  std::int64_t NotCompared = 0;  // tables
  std::string Summary;           // CheckSummaryText
};

// The last check of any end, completed or not.
struct TCheckAttempt {
  TDateTime Finished = 0;  // 0: none has recorded itself
  TCheckEnd End = TCheckEnd::kCompleted;
  std::string Summary;
};

struct TTableFreshness {
  std::string Table;
  TDateTime CompleteAsOf = 0;  // 0: not known (no pass has recorded it, or it is damaged)
  TDateTime Mark = 0;          // LAST_<T>_MODIFYDATE; 0: none
  std::int64_t LastPassRows = 0;
  double LastPassSeconds = 0;
  // <T>_VERIFIED_AS_OF: the working server's time as of which a check last proved the table of
  // the copy equal to the working database's; 0: never (or damaged).
  TDateTime VerifiedAsOf = 0;
  // The stored value is damaged (listed in TCopyFreshness::Damaged); the field above is 0.
  bool CompleteAsOfDamaged = false;
  bool MarkDamaged = false;
  bool LastPassRowsDamaged = false;
  bool VerifiedAsOfDamaged = false;
};

// A stored value that is not of its key's form (no number, no date-time, a negative count), or a
// time more than a minute ahead of the clock it is on. The field read from it counts as not known.
struct TDamagedValue {
  std::string Key;
  std::string Text;     // as stored
  std::string Problem;  // for people, e.g. "не число"
};

struct TCopyFreshness {
  std::vector<TTableFreshness> Tables;  // every replicated table, in copy order
  TDateTime LastCopyTime = 0;           // the last completed pass; 0: none
  TDateTime LastPassStarted = 0;        // 0: no pass has recorded itself
  double LastPassSeconds = 0;
  std::int32_t FailedPasses = 0;
  bool FailedPassesDamaged = false;
  std::string LastError;  // empty after a completed pass
  TCheckFreshness LastCheck;
  TCheckAttempt LastCheckAttempt;
  // The working server's clock less the copy server's, in days, as the last pass that measured
  // it saw; none when no pass has.
  std::optional<double> WorkClockOffset;
  std::vector<TDamagedValue> Damaged;
};

// Only reads. A value that does not parse is listed in Damaged, never taken for 0.
TCopyFreshness ReadCopyFreshness(TfbIniFile& copy_conf);

// Takes the times that lie more than a minute ahead of their clocks for damaged: the tables'
// complete-as-of times and marks against `work_now` (none: the working server's time is not
// known), the times of this computer's clock against `local_now`.
void NoteFutureTimes(TCopyFreshness& freshness, std::optional<TDateTime> work_now,
                     TDateTime local_now);

// Seconds from the complete-as-of time to `now` (the same clock); empty when it is not known.
std::optional<double> LagSeconds(TDateTime complete_as_of, TDateTime now);

}  // namespace brindle
