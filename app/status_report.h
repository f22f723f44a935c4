// The copy's freshness as brindle-sync --status shows it: a row per table with the time up to
// which the table of the copy is complete, its lag and the rows of the last pass, then the last
// pass's summary; as text for people, or as one JSON object for programs (the README documents
// its shape). Lag is taken on the working server's clock; when the working database cannot be
// reached, it is estimated on the copy server's clock corrected by the clocks' difference that the
// last pass recorded (on the copy server's clock alone when none is recorded), and both forms say
// so. Values of the copy's record that are damaged are named, never shown as 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/copy_record.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

struct TStatusClock {
  bool Work = true;       // read from the working server; else from the copy server
  TDateTime Time = 0;     // that server's CURRENT_TIMESTAMP
  std::string WorkError;  // why the working server's clock could not be read
  // The working server's clock less the copy server's (days), as the copy records it; set only
  // when the working server could not be read: lag is then estimated.
  std::optional<double> WorkClockOffset;

  bool Estimated() const { return !Work && WorkClockOffset.has_value(); }
  // The time lag is taken on: the working server's, read or estimated, else the copy server's.
  TDateTime LagClock() const { return Estimated() ? Time + *WorkClockOffset : Time; }
};

// Only reads. `recorded_offset` is the clocks' difference the copy records. Raises when neither
// server answers.
TStatusClock ReadStatusClock(TFyrn& fyrn, const TCopySettings& settings,
                             std::optional<double> recorded_offset);

// Takes the times ahead of their clocks for damaged (NoteFutureTimes), the working server's
// times only when that clock is known, read or estimated.
void NoteFutureTimes(TCopyFreshness& freshness, const TStatusClock& clock, TDateTime local_now);

struct TLaggingTable {
  std::string Table;
  std::string Reason;  // for people
};

// The tables whose lag is more than `max_lag` seconds, or cannot be told: a table no pass has
// made complete up to any time, a damaged time, or a lag below zero (the clocks disagree).
std::vector<TLaggingTable> TablesLaggingMore(const TCopyFreshness& freshness,
                                             const TStatusClock& clock, double max_lag);

std::string StatusText(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock);
// `lagging` is empty without --max-lag; `exit_status` is the program's.
std::string StatusJson(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock, const std::vector<TLaggingTable>& lagging,
                       int exit_status);
// The one object --status --json prints when it cannot report.
std::string StatusErrorJson(const std::string& copy_conn_str, const std::string& error,
                            int exit_status);

}  // namespace brindle
