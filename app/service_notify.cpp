#include "app/service_notify.h"

#include <systemd/sd-daemon.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "observe/pass_summary.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/text_forms.h"

namespace brindle {

namespace {

// yyyy-mm-dd hh:nn:ss
std::string TimeText(TDateTime value) {
  return FormatSqlDateTime(value).substr(0, 19);
}

}  // namespace

TServiceNotifier::TServiceNotifier() {
  std::uint64_t usec = 0;
  const int enabled = sd_watchdog_enabled(0, &usec);
  if (enabled > 0) {
    watchdog_ = std::chrono::microseconds(usec);
  } else if (enabled < 0) {
    std::fprintf(stderr,
                 "brindle-sync: внимание: интервал сторожевого таймера systemd (WATCHDOG_USEC) "
                 "не прочитан: %s; таймер не обслуживается\n",
                 std::strerror(-enabled));
  }
}

void TServiceNotifier::Ready(std::string_view status) {
  Send("READY=1\nSTATUS=" + OneLine(status));
}

void TServiceNotifier::Status(std::string_view status) {
  Send("STATUS=" + OneLine(status));
}

void TServiceNotifier::FeedWatchdog() {
  Send("WATCHDOG=1");
}

void TServiceNotifier::Stopping(std::string_view status) {
  Send("STOPPING=1\nSTATUS=" + OneLine(status));
}

void TServiceNotifier::Send(const std::string& message) {
  const int sent = sd_notify(0, message.c_str());
  if (sent >= 0 || warned_) return;
  warned_ = true;
  std::fprintf(stderr,
               "brindle-sync: внимание: сообщение systemd (NOTIFY_SOCKET) не отправлено: %s\n",
               std::strerror(-sent));
  std::fflush(stderr);
}

std::string PassStatusText(const TPassResult& result) {
  std::string text = PassSummaryText(result, TimeText(result.Finished));
  if (result.Failed() && result.Error) text += ": " + OneLine(WithoutClassName(result.Error->Text));
  return text;
}

}  // namespace brindle
