// The program's main window: the two databases, the period and the autostart option, the
// start/stop button, and once a second the copy thread's state, progress, last error and last
// copy time. Its decisions are in ui/copy_control.h; the controls keep their names (also as
// object names) so tests can reach them. It keeps what it knows of each table's freshness for the
// "Таблицы" dialog: the copy's record, read on a thread of its own when the window is made and
// when the copy database changes, and the passes of this session, as the timer finds the
// engine's last result (of passes that end within a second of each other, the last). Between
// passes it asks for a check of the copy, or a repair, and shows how the round goes and what
// the last one found (ui/check_control.h); the round runs on the copy thread, and a close does not
// wait for it: the program stops it as it ends.
#pragma once

#include <QWidget>

#include "ui/copy_record_reader.h"
#include "ui/known_freshness.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTimer;

namespace brindle {

class TCopyEngine;
class TSlicedCheck;
class TTablesDialog;

class TForm4 : public QWidget {
  Q_OBJECT

 public:
  // Shows and drives `engine`, and the check between its passes when there is one; both must
  // outlive the window.
  explicit TForm4(TCopyEngine& engine, TSlicedCheck* check = nullptr, QWidget* parent = nullptr);
  ~TForm4() override;

  // Handlers, in the order the window knows them. Each shows its own errors.
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void btnRunClick();
  void cbAutoStartCopyClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void Timer1Timer();
  void btnTablesClick();
  void actCheckCopyClick();
  void actRepairCopyClick();

  // A close asked for by the system (a termination signal): refused while a pass runs like any
  // close, but then carried out by the timer as soon as the pass has ended.
  void RequestClose();

  QLabel* Label10;
  QLabel* Label1;
  QLineEdit* edDBSource;
  QPushButton* SpeedButton1;
  QLabel* Label2;
  QLineEdit* edDBTarget;
  QPushButton* SpeedButton2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* edPeriod;
  QLabel* Label6;
  QCheckBox* cbAutoStartCopy;
  QLabel* Label7;
  QLabel* labWorkState;
  QLabel* Label9;
  QLabel* labStatus;
  QLabel* labError;
  QLabel* Label8;
  QLabel* labLastCopyTime;
  QLabel* labCheck;
  QFrame* pnlBottom;
  QPushButton* btnRun;
  QPushButton* btnCheck;  // its menu: the check, the repair
  QAction* actCheckCopy;
  QAction* actRepairCopy;
  QPushButton* btnTables;
  QPushButton* btnExit;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Starts a read of the record of the copy the settings name.
  void StartRecordRead();
  // Takes in what has been learnt since, and shows it in the dialog when it is open.
  void RefreshTables();

  TCopyEngine& engine_;
  TSlicedCheck* check_;
  TKnownFreshness known_;
  TCopyRecordReader record_reader_;
  TTablesDialog* tables_ = nullptr;  // made on first use
  bool shown_ = false;
  bool close_requested_ = false;
};

}  // namespace brindle
