// The "Таблицы" dialog of the main window: a row per replicated table with the time up to which
// the table of the copy is complete, its lag, when it was last proven equal, the rows of the last
// pass and what the last check found, and the summaries of the last pass and check. It only
// shows what ui/tables_view.h computes; the main window refreshes it.
#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

namespace brindle {

struct TTablesView;

class TTablesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TTablesDialog(QWidget* parent = nullptr);

  void Show(const TTablesView& view);

  QLabel* labSummary;
  QTableWidget* gridTables;
};

}  // namespace brindle
