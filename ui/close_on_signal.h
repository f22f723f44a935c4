// Termination signals (SIGTERM, SIGINT, SIGHUP) as a close of the main window, so that a
// program ended by the system still stops its copy thread and finishes its log. The signal
// handler only writes to a pipe; the main thread's event loop picks the request up. A signal
// that comes while start-up has not yet shown the window closes it as soon as it is shown.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace brindle {

class TForm4;

class TCloseOnSignal : public QObject {
  Q_OBJECT

 public:
  // One at a time; restores the signals' default handling when it goes.
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
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace brindle
