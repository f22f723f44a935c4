// The "Таблицы" dialog of the main window: a row per replicated table with the time up to which
// the table of the copy is complete, its lag and the rows of the last pass, and the last pass's
// summary. It only shows what ui/tables_view.h computes; the main window refreshes it.
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
