#include "observe/pass_metrics.h"

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/file_replacement.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

// To the millisecond, as fine as the times it comes from: 11.518, not 11.517999786883593.
std::string Value(double value) {
  char buffer[32];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, std::round(value * 1000) / 1000);
  return std::string(buffer, end);
}

// A label value with backslash, double quote and line feed escaped.
std::string LabelValue(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out;
}

void Header(std::string& text, const char* name, const char* help) {
  text += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

}  // namespace

void TPassMetrics::Add(const TPassResult& result) {
  for (const TTableResult& table : result.Tables) {
    if (table.MarkAfter <= 0) continue;  // never complete up to any time yet
    tables_[table.Table] = {table.MarkAfter, RowsKept(table)};
  }
  if (result.WorkClockOffset) clock_offset_ = *result.WorkClockOffset;
  lag_estimated_ = !result.WorkClockOffset;
  pass_seconds_ = (result.Finished - result.Started) * kSecondsPerDay;
  failed_passes_ = result.FailedPasses;
  if (result.Status == TPassStatus::kCompleted) last_success_ = result.Finished;
}

void TPassMetrics::AddCheck(const TCheckResult& result, TDateTime finished) {
  attempt_ = Attempt{finished, result.Completed()};
  for (const TTableCheck& table : result.Tables) {
    if (table.ProvedEqual()) verified_[table.Table] = table.VerifiedAsOf;
  }
  if (!result.Completed()) return;  // the last completed check's figures stay
  check_ = Check{finished,           result.Compared(), result.Missing(),
                 result.Different(), result.Orphans(),  result.Failed()};
}

void TPassMetrics::AddVerified(const std::map<std::string, TDateTime>& verified) {
  for (const auto& [table, as_of] : verified) {
    TDateTime& known = verified_[table];
    known = std::max(known, as_of);
  }
}

std::string TPassMetrics::Text(TDateTime now, bool copy_enabled) const {
  std::string text;
  Header(text, "brindle_table_lag_seconds",
         "Time since the moment up to which the table of the copy is complete, on the working "
         "server's clock.");
  for (const auto& [name, table] : tables_) {
    const double lag = *LagSeconds(table.complete_as_of, now + clock_offset_);
    text += "brindle_table_lag_seconds{table=\"" + LabelValue(name) + "\"} " + Value(lag) + "\n";
  }
  Header(text, "brindle_lag_estimated",
         "1 when the last pass did not read the working server's clock: lag is taken on this "
         "computer's clock corrected by the last offset seen, else 0.");
  text += std::string("brindle_lag_estimated ") + (lag_estimated_ ? "1" : "0") + "\n";
  Header(text, "brindle_table_rows_last_pass",
         "Rows the last pass that reached the table wrote into the copy.");
  for (const auto& [name, table] : tables_) {
    text += "brindle_table_rows_last_pass{table=\"" + LabelValue(name) + "\"} " +
            std::to_string(table.rows) + "\n";
  }
  if (!verified_.empty()) {
    Header(text, "brindle_table_verified_age_seconds",
           "Time since the moment as of which a check last proved the table of the copy equal to "
           "the working database's, on the working server's clock.");
    for (const auto& [name, verified] : verified_) {
      text += "brindle_table_verified_age_seconds{table=\"" + LabelValue(name) + "\"} " +
              Value(*LagSeconds(verified, now + clock_offset_)) + "\n";
    }
  }
  Header(text, "brindle_pass_duration_seconds", "Duration of the last copy pass.");
  text += "brindle_pass_duration_seconds " + Value(pass_seconds_) + "\n";
  Header(text, "brindle_last_success_timestamp_seconds",
         "Unix time of the end of the last completed copy pass; 0 when none is known.");
  text += "brindle_last_success_timestamp_seconds " +
          Value(last_success_ > 0 ? UnixSeconds(last_success_) : 0) + "\n";
  Header(text, "brindle_failed_passes", "Failed copy passes since the last completed one.");
  text += "brindle_failed_passes " + std::to_string(failed_passes_) + "\n";
  Header(text, "brindle_copy_enabled", "1 while copying is switched on, else 0.");
  text += std::string("brindle_copy_enabled ") + (copy_enabled ? "1" : "0") + "\n";
  if (check_) {
    Header(text, "brindle_check_timestamp_seconds",
           "Unix time of the end of the last check of the copy against the working database.");
    text += "brindle_check_timestamp_seconds " + Value(UnixSeconds(check_->finished)) + "\n";
    Header(text, "brindle_check_rows_compared", "Rows the last check compared.");
    text += "brindle_check_rows_compared " + std::to_string(check_->compared) + "\n";
    Header(text, "brindle_check_rows",
           "Rows the last check found missing from the copy, different, or orphaned in it.");
    text += "brindle_check_rows{kind=\"missing\"} " + std::to_string(check_->missing) + "\n";
    text += "brindle_check_rows{kind=\"different\"} " + std::to_string(check_->different) + "\n";
    text += "brindle_check_rows{kind=\"orphan\"} " + std::to_string(check_->orphans) + "\n";
    Header(text, "brindle_check_failed",
           "1 when the last check, or a table of it, ended with an error, else 0.");
    text += std::string("brindle_check_failed ") + (check_->failed ? "1" : "0") + "\n";
  }
  if (attempt_) {
    Header(text, "brindle_check_attempt_timestamp_seconds",
           "Unix time of the end of the last check, completed, refused, failed or interrupted.");
    text +=
        "brindle_check_attempt_timestamp_seconds " + Value(UnixSeconds(attempt_->finished)) + "\n";
    Header(text, "brindle_check_attempt_completed",
           "1 when the last check went through every table, else 0.");
    text +=
        std::string("brindle_check_attempt_completed ") + (attempt_->completed ? "1" : "0") + "\n";
  }
  return text;
}

void ReplaceMetricsFile(const std::string& path, const std::string& text) {
  // Not *.prom, so the collector never reads it half written.
  const TFileReplacement replaced = ReplaceFileContent(
      path, text, ".brindle-metrics-", [](int fd) { return ::fchmod(fd, 0644) == 0 ? 0 : errno; });
  if (!replaced.TempCreated) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    throw EOSError("Не удалось создать временный файл в папке \"" + folder.string() +
                   "\": " + SystemErrorText(replaced.Error));
  }
  if (replaced.Error != 0) {
    throw EOSError("Не удалось записать файл \"" + path + "\": " + SystemErrorText(replaced.Error));
  }
}

std::string TMetricsFile::Update(const TPassResult& result, bool copy_enabled) {
  metrics_.Add(result);
  return Write(copy_enabled);
}

std::string TMetricsFile::UpdateCheck(const TCheckResult& result, bool copy_enabled) {
  metrics_.AddCheck(result, Now());
  return Write(copy_enabled);
}

std::string TMetricsFile::Write(bool copy_enabled) {
  std::string failure;
  try {
    ReplaceMetricsFile(path_, metrics_.Text(Now(), copy_enabled));
  } catch (const std::exception& e) {
    failure = std::string("Файл метрик не записан: ") + e.what();
  }
  if (failure == last_failure_) return {};
  last_failure_ = failure;
  if (!failure.empty()) LogProgram(failure, LogWarning);
  return failure;
}

}  // namespace brindle
