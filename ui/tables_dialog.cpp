#include "ui/tables_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/tables_view.h"

namespace brindle {

namespace {

constexpr int kColumns = 6;
constexpr int kRowsColumn = 4;
constexpr int kCheckedColumn = 5;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TTablesDialog::TTablesDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TablesDialog"));
  setWindowTitle(QStringLiteral("Таблицы копии"));
  labSummary = new QLabel(this);
  labSummary->setObjectName(QStringLiteral("labSummary"));
  labSummary->setWordWrap(true);
  gridTables = new QTableWidget(0, kColumns, this);
  gridTables->setObjectName(QStringLiteral("gridTables"));
  gridTables->setHorizontalHeaderLabels(
      {QStringLiteral("Таблица"), QStringLiteral("Полна на"), QStringLiteral("Отставание"),
       QStringLiteral("Проверена на"), QStringLiteral("Записей за проход"),
       QStringLiteral("Последняя проверка")});
  gridTables->verticalHeader()->setVisible(false);
  // A long finding is cut short in its cell rather than making every row taller; the whole of it
  // is in the cell's tooltip.
  gridTables->setWordWrap(false);
  gridTables->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gridTables->setSelectionBehavior(QAbstractItemView::SelectRows);
  gridTables->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  gridTables->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labSummary);
  layout->addWidget(gridTables);
  resize(900, 560);
}

void TTablesDialog::Show(const TTablesView& view) {
  labSummary->setText(Q(view.Summary));
  gridTables->setRowCount(static_cast<int>(view.Tables.size()));
  for (std::size_t i = 0; i < view.Tables.size(); ++i) {
    const TTableView& table = view.Tables[i];
    const int row = static_cast<int>(i);
    const std::string cells[kColumns] = {table.Table,        table.CompleteAsOf, table.Lag,
                                         table.VerifiedAsOf, table.Rows,         table.Checked};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = gridTables->item(row, column);
      if (!item) {
        item = new QTableWidgetItem;
        gridTables->setItem(row, column, item);
      }
      item->setText(Q(cells[column]));
      if (column == kCheckedColumn) item->setToolTip(Q(cells[column]));
      if (column == kRowsColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      item->setForeground(table.Failed ? QBrush(Qt::red) : QBrush());
    }
  }
}

}  // namespace brindle
