// One complete copy from the working database to the copy database: opens both, marks the copy,
// replicates every table of ReplicatedTables in order, carries the REPORTS section and two KO
// keys over, and records the time of the successful pass. Runs on the copy thread.
#pragma once

#include <cstdint>
#include <set>

#include "replication/copy_settings.h"
#include "replication/pass_result.h"

namespace brindle {

class TCopyDBThread;
class TFyrn;

// What the passes of one engine remember from one pass to the next, so that a warning about the
// same cause is logged once. Belongs to the copy thread.
struct TPassMemory {
  std::set<std::int64_t> warned_transactions;
  bool monitoring_failure_logged = false;
};

// Never raises: a failure is logged with "Ошибка при копировании БД: ", published on the thread
// (LastErrorText, LastErrorTime) and returned in the result; whatever the pass opened is
// released either way. Progress is published on `thread` as the pass goes.
TPassResult RunCopyPass(TFyrn& fyrn, const TCopySettings& settings, TCopyDBThread& thread,
                        TPassMemory& memory);

}  // namespace brindle
