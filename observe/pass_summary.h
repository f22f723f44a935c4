// The one line that says how a pass ended: brindle-sync prints it, the service's status shows it
// and the "Таблицы" dialog heads its table with it.
#pragma once

#include <string>

#include "replication/pass_result.h"

namespace brindle {

// `when` is the pass's end as its reader writes times. A failed pass is counted and its failed
// tables too, but its error is not told: each place gives the error in its own way.
std::string PassSummaryText(const TPassResult& pass, const std::string& when);

}  // namespace brindle
