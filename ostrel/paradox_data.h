// Office data of an older installation in Paradox tables. No library that reads Paradox tables
// is available here, so the data is not carried over: the finding is written to the check log
// and the call succeeds, so that a marker file left behind never blocks the program.
#pragma once

#include <string>

namespace brindle::ostrel {

// Writes to log_file, at the warning level, that Paradox data was found in folder (with the
// number of its *.db tables) and was not carried over into the database of connection_string;
// or that the folder does not exist. Raises EOSError only when the log's folder cannot be made.
void ReportParadoxData(const std::string& folder, const std::string& connection_string,
                       const std::string& log_file);

}  // namespace brindle::ostrel
