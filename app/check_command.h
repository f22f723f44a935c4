// brindle-sync --check: runs the check of the copy (replication/check/copy_check.h) with the
// program's settings and prints its report, as text for people or as one JSON object for programs.
#pragma once

#include <functional>
#include <string>

#include "replication/check/copy_check.h"
#include "replication/check_result.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// Runs the check on a thread of its own and reports it (ReportCheck). Meanwhile `stop_signal` is
// called over and over: it waits a moment and returns a stop signal that came, or 0. A signal
// interrupts the check at its next range.
int RunCheckCommand(TFyrn& fyrn, const TCopySettings& settings, TCheckOptions options, bool json,
                    const std::function<int()>& stop_signal);

// Logs the summary, prints the report on stdout (a failure's text also on stderr) and returns
// the exit status (CheckExitStatus).
int ReportCheck(const TCheckResult& result, bool json);

// Per table a line of counts and the example keys, then the summary line.
std::string CheckReportText(const TCheckResult& result);
// {"tables": [{"table": ..., "compared": N, "missing": N, "different": N, "orphans": N,
// "seconds": S, ...}, ...], ...}
std::string CheckReportJson(const TCheckResult& result);

}  // namespace brindle
