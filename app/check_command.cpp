#include "app/check_command.h"

#include <cstdio>

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

}  // namespace

std::string CheckReportText(const TCheckResult& result) {
  std::string text;
  for (const TTableCheck& table : result.Tables) {
    text += table.Table + ": ";
    if (!table.Error.empty()) {
      text += "ошибка: " + table.Error + "\n";
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
    if (!table.Error.empty()) {
      json.Key("error");
      json.String(table.Error);
    }
    json.EndObject();
  }
  json.EndArray();
  json.Key("exit_status");
  json.Int(CheckExitStatus(result));
  if (!result.Error.empty()) {
    json.Key("error");
    json.String(result.Error);
  }
  json.EndObject();
  return json.Text() + "\n";
}

int RunCheckCommand(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options,
                    bool json) {
  const TCheckResult result = RunCopyCheck(fyrn, settings, options);
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
