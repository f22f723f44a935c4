#include "ui/close_on_signal.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

#include "platform/error.h"
#include "ui/main_window.h"

namespace brindle {

namespace {

sigset_t CloseSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, signal_number);
  return set;
}

}  // namespace

void BlockCloseSignals() {
  const sigset_t set = CloseSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TCloseOnSignal::TCloseOnSignal() {
  const sigset_t set = CloseSignals();
  signal_fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signal_fd_ < 0) {
    throw EOSError("Сигналы завершения не перехвачены: " + SystemErrorText(errno));
  }
  notifier_ = new QSocketNotifier(signal_fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TCloseOnSignal::Received);
}

TCloseOnSignal::~TCloseOnSignal() {
  delete notifier_;
  close(signal_fd_);
  const sigset_t set = CloseSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void TCloseOnSignal::Received() {
  signalfd_siginfo info;
  while (read(signal_fd_, &info, sizeof info) == sizeof info) {
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
