#include "ui/close_on_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cerrno>

#include "platform/error.h"
#include "ui/main_window.h"

namespace brindle {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> write_end{-1};

void OnSignal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  if (const int fd = write_end.load(); fd >= 0) {
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

}  // namespace

TCloseOnSignal::TCloseOnSignal() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw EOSError("Сигналы завершения не перехвачены: " + SystemErrorText(errno));
  }
  write_end = pipe_[1];
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TCloseOnSignal::Received);
  struct sigaction action = {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : kSignals) sigaction(signal_number, &action, nullptr);
}

TCloseOnSignal::~TCloseOnSignal() {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kSignals) sigaction(signal_number, &action, nullptr);
  write_end = -1;
  delete notifier_;
  close(pipe_[0]);
  close(pipe_[1]);
}

void TCloseOnSignal::Received() {
  char buffer[16];
  while (read(pipe_[0], buffer, sizeof buffer) > 0) {
  }
  if (window_) {
    window_->RequestClose();
  } else {
    pending_ = true;
  }
}

void TCloseOnSignal::Watch(TForm4* window) {
  window_ = window;
  if (window_ && pending_) {
    pending_ = false;
    // Once the event loop runs, so the window is shown before it closes.
    QTimer::singleShot(0, window_, &TForm4::RequestClose);
  }
}

}  // namespace brindle
