// What the window knows of how fresh each replicated table of the copy is: the copy's record,
// read when the window starts and whenever the copy database changes, and each pass of this
// session that reached the table. What was learnt later wins, per table: a pass that ended after
// the record was read goes over it, and a record read after a pass (of another copy, say) goes
// over that pass. Beside it, when each table was last proven equal to the working database, from
// the record and from the checks of this session, and what the last check of this session found
// in each table. The "Таблицы" dialog shows it (ui/tables_view.h).
//
// A value, without threads; the window keeps one and feeds it from its timer. Taking the same
// pass again changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/check_result.h"
#include "replication/copy_record.h"
#include "replication/pass_result.h"

namespace brindle {

struct TKnownTable {
  std::string Table;
  TDateTime CompleteAsOf = 0;        // on the working server's clock; 0: not known
  std::optional<std::int64_t> Rows;  // what the last pass that reached it left in it
  bool Failed = false;               // the last pass that reached it failed on it
  bool FromRecord = false;           // learnt from the copy's record, not from a pass
  TDateTime LearntAt = 0;            // a pass's end, or when the record's read began
  // On the working server's clock, as of which a check last proved the table equal; 0: not known.
  TDateTime VerifiedAsOf = 0;
  // What the last check of this session found in it; none when that check did not reach it.
  std::optional<TTableCheck> Checked;
};

// A check of this session that ended, and when the window learnt of it (this computer's clock).
struct TKnownRound {
  TCheckResult Result;
  TDateTime LearntAt = 0;
};

class TKnownFreshness {
 public:
  // Every replicated table in copy order, nothing known of any.
  TKnownFreshness();

  // A pass that ended; tables it did not reach keep what was known. A table that failed keeps
  // its complete-as-of time, as the copy's record does.
  void TakePass(const TPassResult& pass);
  // The copy's record, whose read began at `read_started` (this computer's clock), with the
  // working server's clock less this computer's as it gives it (days; empty: none recorded).
  void TakeRecord(const TCopyFreshness& record, std::optional<double> work_clock_offset,
                  TDateTime read_started);
  // A check that ended, learnt of at `now`: it takes the place of the last one.
  void TakeRound(const TCheckResult& round, TDateTime now);
  // Another copy database was chosen at `now`: what was known is of the old one, and passes that
  // ended before are not taken again.
  void ForgetTables(TDateTime now);

  const std::vector<TKnownTable>& Tables() const { return tables_; }
  // The working server's clock less this computer's, in days, as last learnt from a pass or the
  // copy's record; empty while neither has given it.
  std::optional<double> WorkClockOffset() const { return clock_offset_; }
  // The last check of this session that ended; none before the first.
  const std::optional<TKnownRound>& LastRound() const { return last_round_; }

 private:
  TKnownTable& Table(const std::string& name);
  void LearnClockOffset(std::optional<double> offset, TDateTime learnt_at);

  std::vector<TKnownTable> tables_;
  std::optional<double> clock_offset_;
  TDateTime clock_offset_learnt_at_ = 0;
  std::optional<TKnownRound> last_round_;
  TDateTime forgotten_at_ = 0;
};

}  // namespace brindle
