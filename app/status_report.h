// The copy's freshness as brindle-sync --status shows it: a row per table with the time up to
// which the table of the copy is complete, its lag and the rows of the last pass, then the last
// pass's summary; as text for people, or as one JSON object for programs (the README documents
// its shape). Lag is taken on the working server's clock, or on the copy server's when the
// working database cannot be reached, and both forms say which.
#pragma once

#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/copy_record.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

struct TStatusClock {
  bool Work = true;       // the working server's clock; else the copy server's
  TDateTime Time = 0;     // that server's CURRENT_TIMESTAMP
  std::string WorkError;  // why the working server's clock could not be read
};

// Only reads. Raises when neither server answers.
TStatusClock ReadStatusClock(TFyrn& fyrn, const TCopySettings& settings);

// The tables whose lag is more than `max_lag` seconds; a table no pass has made complete up to
// any time lags more than every limit.
std::vector<std::string> TablesLaggingMore(const TCopyFreshness& freshness, TDateTime clock,
                                           double max_lag);

std::string StatusText(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock);
std::string StatusJson(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock);

}  // namespace brindle
