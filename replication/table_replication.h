// Brings one table of the copy database up to date with the working database: reads the rows
// changed since the table's high-water mark (less MarkOverlap), inserts those whose key the copy
// lacks, updates those that differ in any copied column, and leaves equal rows alone. All
// writes of the table go into one transaction with one commit; the new mark (the working
// server's time at the start of the step) is stored only after it.
#pragma once

#include <string>

namespace brindle {

class TCopyDBThread;
class TfbIniFile;

// Uses the thread's two open connections and publishes RecordNo / RecordCount on it. A failure
// raises an exception of the first failure's class whose message starts with
// Репликация таблицы "T" and ends with the class name; the table's mark is then unchanged.
void ReplicateTable(TCopyDBThread& thread, const std::string& table, const std::string& key,
                    TfbIniFile& copy_conf);

}  // namespace brindle
