#include "app/sync_reports.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/check_command.h"
#include "observe/pass_summary.h"
#include "platform/error.h"
#include "platform/text_forms.h"
#include "replication/copy_pass.h"
#include "schema/replicated_tables.h"

namespace brindle {

namespace {

// Windows line ends in a message (the server's, the library's) become the terminal's.
std::string WithLfLineEnds(std::string text) {
  for (std::size_t pos; (pos = text.find("\r\n")) != std::string::npos;) text.replace(pos, 2, "\n");
  return text;
}

// Where the pass failed and the server's codes, for an operator who looks them up.
void PrintErrorPlace(const TPassError& error) {
  std::string place = std::string("Шаг: ") + PassStepName(error.Step);
  if (!error.Table.empty()) place += ", таблица " + error.Table;
  if (!error.Key.empty()) place += ", запись с ID=" + error.Key;
  if (!error.GdsCodes.empty()) {
    place += "; SQLCODE " + std::to_string(error.SqlCode) + ", коды";
    for (const std::intptr_t code : error.GdsCodes) place += " " + std::to_string(code);
  }
  std::fprintf(stderr, "%s\n", place.c_str());
}

}  // namespace

ProgressLine::ProgressLine() : terminal_(isatty(STDERR_FILENO) == 1) {}

void ProgressLine::Show(const TPassProgress& progress) {
  if (!terminal_) return;
  if (!progress.Busy) {
    Clear();
    return;
  }
  const std::int32_t table_no = progress.TableNo, record_no = progress.RecordNo,
                     record_count = progress.RecordCount;
  const auto tables = ReplicatedTables();
  std::string text = "Копирование: таблица " + std::to_string(table_no) + " / " +
                     std::to_string(progress.TableCount.load());
  if (table_no >= 1 && static_cast<std::size_t>(table_no) <= tables.size()) {
    text += " " + std::string(tables[table_no - 1].table);
  }
  text += ", запись " + std::to_string(record_no) + " / " + std::to_string(record_count);
  if (record_count > 0) text += " (" + std::to_string(100LL * record_no / record_count) + "%)";
  const std::optional<double> left =
      estimate_.SecondsLeft(table_no, record_no, record_count, TProgressEstimate::Clock::now());
  if (left && *left >= 1) text += ", осталось ~" + DurationText(*left);
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
  shown_ = true;
}

void ProgressLine::Clear() {
  if (!shown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = false;
}

void PrintReport(const TPassResult& report, ProgressLine& progress) {
  progress.Clear();
  for (const TTableResult& table : report.Tables) {
    if (table.Copied() == 0) continue;
    std::printf("%s: скопировано записей: %lld\n", table.Table.c_str(),
                static_cast<long long>(table.Copied()));
  }
  for (const std::string& warning : report.Warnings) std::printf("Внимание: %s\n", warning.c_str());
  std::printf("%s\n", PassSummaryText(report, FormatDisplayDateTime(report.Finished)).c_str());
  std::fflush(stdout);
  if (!report.Failed()) return;
  // Every table that failed, then what ended the pass when that was something else.
  std::vector<TPassError> errors = report.TableErrors;
  if (errors.empty() || errors.front().Text != report.Error->Text) errors.push_back(*report.Error);
  for (const TPassError& error : errors) {
    std::fprintf(stderr, "Ошибка при копировании БД: %s\n",
                 WithLfLineEnds(WithoutClassName(error.Text)).c_str());
    PrintErrorPlace(error);
  }
  std::fflush(stderr);
}

MessageResult PrintMessageBox(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", request.caption.c_str(),
               WithLfLineEnds(WithoutClassName(request.text)).c_str());
  std::fflush(stderr);
  return DefaultButton(request.buttons);
}

TCheckResult RefusedCheck(const std::string& error) {
  TCheckResult refused;
  refused.End = TCheckEnd::kRefused;
  refused.Error = error;
  return refused;
}

void PrintCheckJsonError(const std::string& error) {
  std::fputs(CheckReportJson(RefusedCheck(error)).c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace brindle
