// One complete copy from the working database to the copy database: opens both, marks the copy,
// replicates every table of ReplicatedTables in order, carries the REPORTS section and two KO
// keys over, and records the time of the successful pass. Runs on the copy thread.
#pragma once

namespace brindle {

class TCopyDBThread;

// Never raises: a failure is logged with "Ошибка при копировании БД: " and published on the
// thread (LastErrorText, LastErrorTime); whatever the pass opened is released either way.
void RunCopyPass(TCopyDBThread& thread);

}  // namespace brindle
