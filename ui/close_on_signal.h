// Termination signals (SIGTERM, SIGINT, SIGHUP) as a close of the main window, so that a
// program ended by the system still lets a running pass finish, stops its copy thread and
// finishes its log. The signals are blocked in every thread and read by the main thread's event
// loop from a signal descriptor: the database client library installs handlers of its own for
// SIGTERM and SIGINT that cut every connection, which would fail the running pass. A signal that
// comes while start-up has not yet shown the window closes it as soon as it is shown.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace brindle {

class TForm4;

// First thing in main, before any thread starts, so that every thread inherits the mask.
void BlockCloseSignals();

class TCloseOnSignal : public QObject {
  Q_OBJECT

 public:
  // One at a time, after BlockCloseSignals; unblocks the signals in this thread when it goes.
  TCloseOnSignal();
  ~TCloseOnSignal() override;
  TCloseOnSignal(const TCloseOnSignal&) = delete;
  TCloseOnSignal& operator=(const TCloseOnSignal&) = delete;

  // The window a signal closes; null while there is none.
  void Watch(TForm4* window);

 private:
  void Received();

  TForm4* window_ = nullptr;
  bool pending_ = false;
  int signal_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace brindle
