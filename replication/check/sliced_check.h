// The check of the copy in slices between the copy passes. A round goes through every replicated
// table key range by key range; each slice ends after the settings' CheckSliceSeconds, so that a
// pass due meanwhile waits for one slice at most. Rounds come by the schedule (CheckEveryHours
// from the start of the last one, CheckRepair to mend what they find) or when a person asks for
// one. Where a round stands is recorded in the copy after every slice (CHECK_ROUND), and a
// scheduled round goes on from there after a restart; one a person asked for does not.
//
// A table whose round ends with the copy equal (or repaired to equal) is recorded as verified as
// of the earliest working-server time its slices compared against; a round that ends is recorded
// as the last check, and one that is stopped or refused as the last attempt.
//
// Threads: RunSlice on the copy thread only, the rest from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "replication/check/copy_check.h"
#include "replication/check_result.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// What a round has done, for the window and the service.
struct TRoundState {
  bool Running = false;  // a round is under way
  bool Repair = false;
  bool Manual = false;
  std::size_t TableNo = 0;  // of the table in progress, from 1
  std::size_t TableCount = 0;
  // Per table what the round found so far (since this program started or took up the round).
  TCheckResult SoFar;
  std::optional<TCheckResult> LastRound;  // the last round that ended in this program
  std::string LastError;                  // why the last slice failed; empty when it did not
  // Per table the working server's time as of which it was last proven equal: as the copy
  // recorded it when the schedule first looked, and as rounds prove it since.
  std::map<std::string, TDateTime> Verified;
};

class TSlicedCheck {
 public:
  // `options`: the orphans' deletion, the pace and the rows per range; the tables, the repair
  // and the stop are the round's own.
  explicit TSlicedCheck(TFyrn& fyrn, TCheckOptions options = {});
  TSlicedCheck(const TSlicedCheck&) = delete;
  TSlicedCheck& operator=(const TSlicedCheck&) = delete;

  // Runs one slice when a round is under way or due. True when the round goes on, so the next
  // slice may follow at once; false when there is nothing to do or the slice failed (the round
  // then goes on after the next pass).
  bool RunSlice(const TCopySettings& settings);
  // A new round at the next slice, in place of one under way.
  void RequestRound(bool repair);
  // Stops a running slice within a range (what it repaired stays) and every slice after.
  void Stop();

  TRoundState State() const;
  // The result of a round that ended (completed, refused or stopped) since the last call, once.
  std::optional<TCheckResult> TakeFinished();

 private:
  // Starts a round, or takes up the recorded one; false when none is due.
  bool Begin(const TCopySettings& settings);
  void Record(TfbIniFile& copy_conf, const TCheckResult& slice);
  void Merge(const TCheckResult& slice);
  // Keeps the error for State() and logs it when it is new.
  void NoteFailure(const std::string& error);

  TFyrn& fyrn_;
  const TCheckOptions options_;
  const std::vector<ReplicatedTable> tables_ = CheckedTables({});  // a round's, in order
  std::atomic<bool> stop_{false};

  // The copy thread's own.
  bool record_read_ = false;
  TDateTime last_started_ = 0;
  TRoundPosition position_;
  TDateTime round_started_ = 0;

  mutable std::mutex mutex_;  // guards what follows
  std::optional<bool> requested_;
  TRoundState state_;
  std::optional<TCheckResult> finished_;
};

}  // namespace brindle
