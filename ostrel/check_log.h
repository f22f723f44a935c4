// The structure library's log of findings: one line per object created, per difference found
// and per failure, in a log file that the caller names (OstrelCheck.log under the suite root).
// Lines are written through TMirtLogger, so other programs of the suite may share the file.
// A difference is written at the warning level (" [вним]"), a failure at the error level
// (" [ошиб]"); created objects and notes at the plain level.
#pragma once

#include <string>
#include <vector>

#include "infra/logger.h"

namespace brindle::ostrel {

class CheckLog {
 public:
  // Creates the log's folder when it is missing. When that fails the check goes on and its lines
  // go to the logger's error log. Raises EOSError when file is empty.
  explicit CheckLog(const std::string& file);
  CheckLog(const CheckLog&) = delete;
  CheckLog& operator=(const CheckLog&) = delete;

  // An object the check created, and a change to an existing one: both are changes of the
  // database, kept so that a failure can say what stays changed.
  void Created(const std::string& text);
  void Changed(const std::string& text);
  void Difference(const std::string& text);
  void Note(const std::string& text);
  void Error(const std::string& text);

  int CreatedCount() const { return created_; }
  int DifferenceCount() const { return differences_; }
  const std::vector<std::string>& Changes() const { return changes_; }

 private:
  TMirtLogger logger_;
  int created_ = 0;
  int differences_ = 0;
  std::vector<std::string> changes_;
};

}  // namespace brindle::ostrel
