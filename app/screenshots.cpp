// brindle_screenshots <folder>: draws the program's windows on Qt's offscreen platform and saves
// a PNG of each in each display state into the folder, for the documentation. The copy engine is
// a real one whose pass only publishes sample progress, so no database is needed.
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QPixmap>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/date_time.h"
#include "replication/copy_engine.h"
#include "schema/replicated_tables.h"
#include "ui/main_window.h"
#include "ui/select_db_path_form.h"
#include "ui/tables_dialog.h"

namespace {

using namespace brindle;

// A pass that shows progress and runs until released.
class SamplePass {
 public:
  TCopyEngine::PassBody Body() {
    return [this](const TCopySettings&, TPassProgress& progress) {
      progress.TableNo = 12;
      progress.TableCount = 37;
      progress.RecordNo = 1480;
      progress.RecordCount = 5230;
      std::unique_lock guard(lock_);
      running_ = true;
      changed_.notify_all();
      changed_.wait(guard, [this] { return released_; });
      // The pass ends as one that failed.
      TPassResult result;
      result.Status = TPassStatus::kFailed;
      result.Error = TPassError{};
      result.Error->Text =
          "Ошибка при копировании БД: Подключение к БД -> Unable to complete network request to "
          "host \"office-server\".\r\n-Failed to establish a connection. <# EIBError #>";
      result.FailedPasses = 1;
      // The dialog takes lags against the time it is drawn, so this pass ended just before.
      constexpr double kMinute = 1.0 / 1440;
      result.Finished = Now() - kMinute / 6;
      result.Started = result.Finished - kMinute / 10;
      result.WorkClockOffset = 0;
      // The tables before the failure were copied, the rest keep their marks of the last pass.
      const auto& tables = ReplicatedTables();
      for (std::size_t i = 0; i < tables.size(); ++i) {
        TTableResult& table = result.Tables.emplace_back();
        table.Table = std::string(tables[i].table);
        const bool copied = i < 12;
        table.MarkAfter = result.Started - (copied ? 10 : 70) * kMinute;
        table.Inserted = copied ? static_cast<std::int64_t>((i * 37) % 11) : 0;
        table.Failed = i == 12;
      }
      return result;
    };
  }
  void WaitUntilRunning() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return running_; });
  }
  void Release() {
    std::lock_guard guard(lock_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool running_ = false;
  bool released_ = false;
};

bool Save(QWidget& window, const QDir& folder, const char* name) {
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!window.grab().save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
    return false;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::fprintf(stderr, "cannot make %s\n", argv[1]);
    return 1;
  }

  TCopySettings settings;
  settings.WorkDBConnStr = "office-server/30050:/opt/zemt/OFFICEDB/Office.FDB";
  settings.CopyDBConnStr = "localhost/30050:/opt/zemt/OFFICEDB/OfficeWeb.FDB";
  SamplePass pass;
  TCopyEngine engine(settings, pass.Body());
  bool ok = true;
  {
    TForm4 form(engine);
    form.show();
    form.Timer1Timer();
    ok &= Save(form, folder, "main-window-off.png");

    engine.SetLastCopyTime(EncodeDateTime({2026, 12, 7, 20, 14, 59, 0}));
    engine.SetCopyEnabled(true);
    form.Timer1Timer();
    ok &= Save(form, folder, "main-window-waiting.png");

    engine.WakeUp();
    pass.WaitUntilRunning();
    form.Timer1Timer();
    ok &= Save(form, folder, "main-window-copying.png");

    engine.SetCopyEnabled(false);
    form.Timer1Timer();
    ok &= Save(form, folder, "main-window-finishing.png");
    pass.Release();

    engine.SetCopyEnabled(true);
    while (engine.Busy()) QApplication::processEvents();
    form.Timer1Timer();
    ok &= Save(form, folder, "main-window-error.png");
    engine.SetCopyEnabled(false);
    form.btnTablesClick();
    if (auto* tables = form.findChild<TTablesDialog*>("TablesDialog")) {
      ok &= Save(*tables, folder, "tables-dialog.png");
    } else {
      std::fprintf(stderr, "the tables dialog did not open\n");
      ok = false;
    }
  }
  {
    TSelectOfDBPathForm dialog;
    dialog.Editor.ConnStr = settings.WorkDBConnStr;
    dialog.Editor.Password = "rivetcode";
    dialog.FormShow();
    dialog.show();
    ok &= Save(dialog, folder, "path-dialog.png");
  }
  return ok ? 0 : 1;
}
