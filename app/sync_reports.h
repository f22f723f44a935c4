// What brindle-sync shows on the terminal: the passes, the progress of the running one, message
// boxes, and the JSON of a --check that could not start.
#pragma once

#include <string>

#include "observe/progress_estimate.h"
#include "platform/message_box.h"
#include "replication/check_result.h"
#include "replication/pass_progress.h"
#include "replication/pass_result.h"

namespace brindle {

// The progress line on a terminal, rewritten in place; nothing when stderr is no terminal.
// A table that takes long (a first fill) gets its share done and the time left.
class ProgressLine {
 public:
  ProgressLine();
  void Show(const TPassProgress& progress);
  void Clear();

 private:
  bool terminal_;
  bool shown_ = false;
  TProgressEstimate estimate_;
};

// The tables copied and how the pass ended on stdout; a failure's errors and where they
// happened on stderr. Clears the progress line first.
void PrintReport(const TPassResult& report, ProgressLine& progress);

// The handler of SetMessageBoxHandler: the box goes to stderr and takes its default button.
MessageResult PrintMessageBox(const MessageBoxRequest& request);

// A check that did not start.
TCheckResult RefusedCheck(const std::string& error);

// --check --json stopped before the check could start: a monitor still reads one object.
void PrintCheckJsonError(const std::string& error);

}  // namespace brindle
