// brindle-sync --check: runs the check of the copy (replication/copy_check.h) with the program's
// settings and prints its report, as text for people or as one JSON object for programs.
#pragma once

#include <string>

#include "replication/check_result.h"
#include "replication/copy_check.h"
#include "replication/copy_settings.h"

namespace brindle {

class TFyrn;

// Runs the check, logs its summary, prints the report on stdout (a failure's text also on
// stderr) and returns the exit status: 0 nothing differs, 1 something does, 2 an error.
int RunCheckCommand(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options,
                    bool json);

// Per table a line of counts and the example keys, then the summary line.
std::string CheckReportText(const TCheckResult& result);
// {"tables": [{"table": ..., "compared": N, "missing": N, "different": N, "orphans": N,
// "seconds": S, ...}, ...], ...}
std::string CheckReportJson(const TCheckResult& result);

}  // namespace brindle
