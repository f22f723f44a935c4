// The database path dialog: server, port, database file and password of one database, with a
// connection test. Its decisions are TDBPathEditor's (ui/db_path_rules.h); the widgets mirror
// the fields. The controls keep their names (also as object names) so tests can reach them.
#pragma once

#include <QDialog>
#include <string>

#include "ui/db_path_rules.h"

class QAction;
class QCloseEvent;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;

namespace brindle {

class TFyrn;

class TSelectOfDBPathForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSelectOfDBPathForm(QWidget* parent = nullptr);
  ~TSelectOfDBPathForm() override;

  // The name the window's position is kept under.
  static constexpr char kPlacementName[] = "TSelectOfDBPathForm";

  // Fills the fields from Editor.ConnStr and Editor.Password (raises EConvertError for a port
  // that is no integer), puts the dialog where it was last, and runs it modally.
  int Execute();

  // The fields as the operator typed them.
  TDBPathFields Fields() const;

  // Handlers.
  void FormShow();
  void BitBtn1Click();
  void bTESTClick();
  void sbSelectPathClick();
  void L1Click();
  void K1Click();
  void edFileNameChange();

  TDBPathEditor Editor;

  QGroupBox* GroupBox2;
  QLabel* Label6;
  QLineEdit* edServer;
  QLabel* Label5;
  QSpinBox* sePort;
  QLabel* Label1;
  QLineEdit* edFileName;
  QPushButton* sbSelectPath;
  QLabel* Label2;
  QLabel* Label3;
  QLineEdit* edPass;
  QLabel* Label4;
  QPushButton* bTEST;
  QPushButton* bOK;
  QPushButton* tMasButtonRED1;
  QFileDialog* OpenDialog1;
  QMenu* PopupMenu1;
  QAction* L1;
  QAction* K1;

 protected:
  void done(int result) override;

 private:
  void PlaceWindow();
  void ApplyPreset(const TDBPathPreset& preset);
};

// Lets the operator edit a database's connection string and password. True when accepted: the
// references then hold the new values; otherwise they stay as they were. Raises what showing the
// dialog or building the accepted string raises.
bool SelectDBPath(TFyrn& fyrn, std::string& conn_str, std::string& password, bool is_working_db);

}  // namespace brindle
