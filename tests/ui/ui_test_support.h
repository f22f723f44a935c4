// Shared pieces of the operator-interface tests: message boxes answered by the test, office
// databases on the test server, a pass the test holds, and waiting for a
// modal window the code under test opens.
#pragma once

#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "replication/copy_engine.h"
#include "tests/support/log_lines.h"
#include "tests/support/test_database.h"

namespace brindle {

bool operator==(const MessageBoxRequest& a, const MessageBoxRequest& b);
void PrintTo(const MessageBoxRequest& box, std::ostream* out);

}  // namespace brindle

namespace brindle::testing {

// Records every message box and answers it: with the next scripted answer, or with OK for a
// box that has only OK. A box with a choice and no scripted answer fails the test.
class AnsweredBoxes {
 public:
  AnsweredBoxes();
  ~AnsweredBoxes();
  AnsweredBoxes(const AnsweredBoxes&) = delete;
  AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;

  void Answer(MessageResult result);
  std::vector<MessageBoxRequest> Shown() const;
  std::vector<std::string> Texts() const;
  void Clear();

 private:
  MessageResult Handle(const MessageBoxRequest& request);

  mutable std::mutex lock_;
  std::vector<MessageBoxRequest> shown_;
  std::deque<MessageResult> answers_;
  MessageBoxHandler previous_;
};

// The box an action that failed shows: the program's name, the message, OK and the stop icon.
MessageBoxRequest ErrorBox(const std::string& message);

// A database on the test server, made an office database as far as the path dialog's test
// needs: the tables OFFICE and CONFIGPARAMS, and PARAMS/OFFICE_DB_STRUCT_VERSION in the
// configuration CONF when a version is given.
void MakeOfficeTables(const TestDatabase& db, std::optional<std::int32_t> struct_version,
                      bool with_office = true, bool with_config = true);
// Writes one key of the configuration CONF of the database of a connection string.
void WriteConfKey(const std::string& conn_str, const std::string& section, const std::string& key,
                  const std::string& value);

// A pass that publishes the given progress as a running pass does and then waits for the test.
class HeldPass {
 public:
  struct Progress {
    std::int32_t table_no = 0, table_count = 0, record_no = 0, record_count = 0;
  };
  explicit HeldPass(Progress progress) : progress_(progress) {}
  TCopyEngine::PassBody Body();
  bool WaitUntilRunning(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  void Release();
  int Starts();

 private:
  Progress progress_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool running_ = false;
  bool released_ = false;
  int starts_ = 0;
};

// Runs the action on the next modal window that is not `except`, once it is open; the code that
// opens it runs meanwhile. Fails the test when none appears within the timeout.
void OnNextModal(std::function<void(QWidget*)> action, QWidget* except = nullptr,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Processes events until the condition holds or the timeout passes; returns the condition.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace brindle::testing
