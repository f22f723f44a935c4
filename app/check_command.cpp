#include "app/check_command.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "infra/json_writer.h"
#include "infra/program_log.h"

namespace brindle {

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds);
  return text;
}

void Keys(TJsonWriter& json, const char* name, const std::vector<std::string>& keys) {
  json.Key(name);
  json.BeginArray();
  for (const std::string& key : keys) json.String(key);
  json.EndArray();
}

std::string OrphansOverBoundText(const TTableCheck& table) {
  return "лишние записи не удалены: их " + std::to_string(table.Orphans) +
         ", больше 1% записей копии (и больше 100), так обычно бывает, когда копия заполнялась из "
         "другой БД; удалить их все: --no-orphan-limit";
}

}  // namespace

std::string CheckReportText(const TCheckResult& result) {
  std::string text;
  for (const TTableCheck& table : result.Tables) {
    text += table.Table + ": ";
    if (!table.Error.empty()) {
      text += "ошибка: " + table.Error + "\n";
      continue;
    }
    if (!table.NotCompared.empty()) {
      text += "не сравнивалась: " + table.NotCompared + "\n";
      continue;
    }
    text += "сравнено " + std::to_string(table.Compared) + ", нет в копии " +
            std::to_string(table.Missing) + ", различаются " + std::to_string(table.Different) +
            ", лишних в копии " + std::to_string(table.Orphans) + "; записей в рабочей БД " +
            std::to_string(table.WorkRows) + ", в копии " + std::to_string(table.CopyRows);
    if (table.LeftOut > 0) text += ", не сравнивались " + std::to_string(table.LeftOut);
    text += "; " + Seconds(table.Seconds) + " с\n";
    if (!table.MissingKeys.empty()) text += "  нет в копии: " + Joined(table.MissingKeys) + "\n";
    for (const TDifferentRow& row : table.DifferentRows) {
      text += "  различается запись " + row.Key + ": " + Joined(row.Columns) + "\n";
    }
    if (!table.OrphanKeys.empty()) text += "  лишние в копии: " + Joined(table.OrphanKeys) + "\n";
    if (result.Repair && table.Found() > 0) {
      text += "  исправлено: вставлено " + std::to_string(table.Inserted) + ", изменено " +
              std::to_string(table.Updated) + ", удалено " + std::to_string(table.Deleted) + "\n";
    }
    if (table.OrphansOverBound) text += "  " + OrphansOverBoundText(table) + "\n";
  }
  return text + CheckSummaryText(result) + "\n";
}

std::string CheckReportJson(const TCheckResult& result) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("tables");
  json.BeginArray();
  for (const TTableCheck& table : result.Tables) {
    json.BeginObject();
    json.Key("table");
    json.String(table.Table);
    const std::pair<const char*, std::int64_t> counts[] = {
        {"compared", table.Compared}, {"missing", table.Missing},  {"different", table.Different},
        {"orphans", table.Orphans},   {"left_out", table.LeftOut}, {"work_rows", table.WorkRows},
        {"copy_rows", table.CopyRows}};
    for (const auto& [name, count] : counts) {
      json.Key(name);
      json.Int(count);
    }
    json.Key("seconds");
    json.Number(table.Seconds);
    Keys(json, "missing_keys", table.MissingKeys);
    json.Key("different_rows");
    json.BeginArray();
    for (const TDifferentRow& row : table.DifferentRows) {
      json.BeginObject();
      json.Key("key");
      json.String(row.Key);
      Keys(json, "columns", row.Columns);
      json.EndObject();
    }
    json.EndArray();
    Keys(json, "orphan_keys", table.OrphanKeys);
    if (result.Repair) {
      const std::pair<const char*, std::int64_t> written[] = {
          {"inserted", table.Inserted}, {"updated", table.Updated}, {"deleted", table.Deleted}};
      for (const auto& [name, count] : written) {
        json.Key(name);
        json.Int(count);
      }
    }
    if (table.OrphansOverBound) json.Key("orphans_not_deleted").String(OrphansOverBoundText(table));
    if (!table.NotCompared.empty()) json.Key("not_compared").String(table.NotCompared);
    if (!table.Error.empty()) {
      json.Key("error");
      json.String(table.Error);
    }
    json.EndObject();
  }
  json.EndArray();
  json.Key("totals").BeginObject();
  const std::pair<const char*, std::int64_t> totals[] = {
      {"compared", result.Compared()},       {"missing", result.Missing()},
      {"different", result.Different()},     {"orphans", result.Orphans()},
      {"repaired", result.Repaired()},       {"left", result.Left()},
      {"not_compared", result.NotCompared()}};
  for (const auto& [name, count] : totals) json.Key(name).Int(count);
  json.EndObject();
  json.Key("end").String(CheckEndName(result.End));
  json.Key("exit_status");
  json.Int(CheckExitStatus(result));
  if (!result.Error.empty()) {
    json.Key("error");
    json.String(result.Error);
  }
  json.Key("summary").String(CheckSummaryText(result));
  json.EndObject();
  return json.Text() + "\n";
}

int RunCheckCommand(TFyrn& fyrn, const TCopySettings& settings, TCheckOptions options, bool json,
                    const std::function<int()>& stop_signal) {
  std::atomic<bool> cancel{false}, done{false};
  options.Cancel = &cancel;
  TCheckResult result;
  std::thread check([&] {
    result = RunCopyCheck(fyrn, settings, options);
    done = true;
  });
  while (!done) {
    if (const int signal = stop_signal(); signal != 0 && !cancel) {
      cancel = true;
      std::fprintf(stderr, "Получен сигнал %s: проверка будет прервана\n", strsignal(signal));
      std::fflush(stderr);
    }
  }
  check.join();
  return ReportCheck(result, json);
}

int ReportCheck(const TCheckResult& result, bool json) {
  LogProgram(CheckSummaryText(result), result.Failed() ? LogError : LogInfo);
  const std::string report = json ? CheckReportJson(result) : CheckReportText(result);
  std::fputs(report.c_str(), stdout);
  std::fflush(stdout);
  if (!result.Error.empty()) {
    std::fprintf(stderr, "Проверка копии не выполнена: %s\n", result.Error.c_str());
  }
  for (const TTableCheck& table : result.Tables) {
    if (!table.Error.empty()) {
      std::fprintf(stderr, "Проверка таблицы %s не выполнена: %s\n", table.Table.c_str(),
                   table.Error.c_str());
    }
  }
  std::fflush(stderr);
  return CheckExitStatus(result);
}

}  // namespace brindle
