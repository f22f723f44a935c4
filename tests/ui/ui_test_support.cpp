#include "tests/ui/ui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <ostream>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/connection_string.h"
#include "platform/shared_library.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_fyrn.h"

namespace brindle {

bool operator==(const MessageBoxRequest& a, const MessageBoxRequest& b) {
  return a.caption == b.caption && a.text == b.text && a.icon == b.icon && a.buttons == b.buttons;
}

void PrintTo(const MessageBoxRequest& box, std::ostream* out) {
  *out << "{caption \"" << box.caption << "\", text \"" << box.text << "\", icon "
       << static_cast<int>(box.icon) << ", buttons " << static_cast<int>(box.buttons) << "}";
}

}  // namespace brindle

namespace brindle::testing {

AnsweredBoxes::AnsweredBoxes()
    : previous_(SetMessageBoxHandler([this](const MessageBoxRequest& r) { return Handle(r); })) {}

AnsweredBoxes::~AnsweredBoxes() {
  SetMessageBoxHandler(std::move(previous_));
}

void AnsweredBoxes::Answer(MessageResult result) {
  std::lock_guard guard(lock_);
  answers_.push_back(result);
}

std::vector<MessageBoxRequest> AnsweredBoxes::Shown() const {
  std::lock_guard guard(lock_);
  return shown_;
}

std::vector<std::string> AnsweredBoxes::Texts() const {
  std::vector<std::string> texts;
  for (const MessageBoxRequest& box : Shown()) texts.push_back(box.text);
  return texts;
}

void AnsweredBoxes::Clear() {
  std::lock_guard guard(lock_);
  shown_.clear();
}

MessageResult AnsweredBoxes::Handle(const MessageBoxRequest& request) {
  std::lock_guard guard(lock_);
  shown_.push_back(request);
  if (!answers_.empty()) {
    const MessageResult answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  if (request.buttons == MessageButtons::kOk) return MessageResult::kOk;
  ADD_FAILURE() << "Unexpected question: " << request.text;
  return MessageResult::kCancel;
}

MessageBoxRequest ErrorBox(const std::string& message) {
  return {ProgramFileName(), message, MessageIcon::kError, MessageButtons::kOk};
}

namespace {

std::unique_ptr<TfbIniFile> OpenConf(const TestDatabase& db) {
  return TestFyrn().IniCreator().CreateIniOnDatabase(TestDatabase::Host(), TestDatabase::Port(),
                                                     db.Path(), "SYSDBA", TestDatabase::Password(),
                                                     "WIN1251", "CONF", /*flag=*/true);
}

}  // namespace

void MakeOfficeTables(const TestDatabase& db, std::optional<std::int32_t> struct_version,
                      bool with_office, bool with_config) {
  if (with_office) db.Execute({"CREATE TABLE OFFICE (ID INTEGER)"});
  if (!with_config) return;
  std::unique_ptr<TfbIniFile> conf = OpenConf(db);  // makes CONFIGPARAMS
  if (struct_version) {
    WriteConfString(*conf, "PARAMS", "OFFICE_DB_STRUCT_VERSION", std::to_string(*struct_version));
  }
}

void WriteConfKey(const std::string& conn_str, const std::string& section, const std::string& key,
                  const std::string& value) {
  WriteConfString(*TestFyrn().OpenConf(conn_str, TestDatabase::Password()), section, key, value);
}

TCopyEngine::PassBody HeldPass::Body() {
  return [this](const TCopySettings&, TPassProgress& progress) {
    progress.TableNo = progress_.table_no;
    progress.TableCount = progress_.table_count;
    progress.RecordNo = progress_.record_no;
    progress.RecordCount = progress_.record_count;
    {
      std::unique_lock guard(lock_);
      running_ = true;
      ++starts_;
      changed_.notify_all();
      changed_.wait(guard, [this] { return released_; });
      running_ = false;
    }
    return TPassResult{};
  };
}

bool HeldPass::WaitUntilRunning(std::chrono::milliseconds timeout) {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, timeout, [this] { return running_; });
}

void HeldPass::Release() {
  std::lock_guard guard(lock_);
  released_ = true;
  changed_.notify_all();
}

int HeldPass::Starts() {
  std::lock_guard guard(lock_);
  return starts_;
}

void OnNextModal(std::function<void(QWidget*)> action, QWidget* except,
                 std::chrono::milliseconds timeout) {
  auto* timer = new QTimer;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  QObject::connect(timer, &QTimer::timeout, [timer, action = std::move(action), except, deadline] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != except && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    } else if (std::chrono::steady_clock::now() > deadline) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "No modal window appeared";
    }
  });
  timer->start(20);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace brindle::testing
