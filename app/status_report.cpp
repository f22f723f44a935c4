#include "app/status_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dbaccess/fyrn.h"
#include "infra/json_writer.h"
#include "platform/text.h"
#include "platform/text_forms.h"

namespace brindle {

namespace {

TDateTime ServerTime(TFyrn& fyrn, const std::string& conn_str, const std::string& password) {
  TFyrn::Connection connection = fyrn.Connect(conn_str, password);
  const auto query = fyrn.CreateDataSet(*connection, nullptr);
  query->SetSelectSQL("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE");
  query->Open();
  return query->Fields(0).AsDateTime();
}

// The text left-aligned in `width` characters (not bytes), and a blank after it.
std::string Column(const std::string& text, std::size_t width) {
  const std::size_t chars = CharCount(text);
  return text + std::string(chars < width ? width - chars : 0, ' ') + " ";
}

std::string SecondsText(double seconds) {
  if (seconds >= 60) return DurationText(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f с", seconds);
  std::string result = text;
  if (const auto point = result.find('.'); point != std::string::npos) result[point] = ',';
  return result;
}

// Milliseconds are as fine as the stored times.
double Rounded(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

void DateTimeOrNull(TJsonWriter& json, TDateTime value) {
  if (value > 0) {
    json.String(FormatIsoDateTime(value));
  } else {
    json.Null();
  }
}

}  // namespace

TStatusClock ReadStatusClock(TFyrn& fyrn, const TCopySettings& settings) {
  TStatusClock clock;
  try {
    clock.Time = ServerTime(fyrn, settings.WorkDBConnStr, settings.WorkDBPassword);
    return clock;
  } catch (const std::exception& e) {
    clock.Work = false;
    clock.WorkError = OneLine(e.what());
  }
  clock.Time = ServerTime(fyrn, settings.CopyDBConnStr, settings.CopyDBPassword);
  return clock;
}

std::vector<std::string> TablesLaggingMore(const TCopyFreshness& freshness, TDateTime clock,
                                           double max_lag) {
  std::vector<std::string> tables;
  for (const TTableFreshness& table : freshness.Tables) {
    const std::optional<double> lag = LagSeconds(table.CompleteAsOf, clock);
    if (!lag || *lag > max_lag) tables.push_back(table.Table);
  }
  return tables;
}

std::string StatusText(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock) {
  std::string text = "Копия: " + copy_conn_str + "\n";
  if (clock.Work) {
    text += "Время рабочего сервера: " + FormatDisplayDateTime(clock.Time) +
            " (по нему считается отставание)\n";
  } else {
    text += "Время сервера копии: " + FormatDisplayDateTime(clock.Time) +
            " (отставание считается по нему: рабочая БД недоступна: " + clock.WorkError + ")\n";
  }
  std::size_t table_width = CharCount("Таблица");
  for (const TTableFreshness& table : freshness.Tables) {
    table_width = std::max(table_width, CharCount(table.Table));
  }
  constexpr std::size_t kTime = 19, kLag = 13, kRows = 9;
  text += Column("Таблица", table_width) + Column("Полна на", kTime) + Column("Отставание", kLag) +
          Column("Записей", kRows) + "Отметка\n";
  std::int64_t rows = 0;
  for (const TTableFreshness& table : freshness.Tables) {
    const std::optional<double> lag = LagSeconds(table.CompleteAsOf, clock.Time);
    text += Column(table.Table, table_width) +
            Column(FormatDisplayDateTime(table.CompleteAsOf), kTime) +
            Column(lag ? DurationText(*lag) : "—", kLag) +
            Column(std::to_string(table.LastPassRows), kRows) + FormatDisplayDateTime(table.Mark) +
            "\n";
    rows += table.LastPassRows;
  }
  text += "Последнее успешное копирование (LAST_COPY_TIME): " +
          FormatDisplayDateTime(freshness.LastCopyTime) + "\n";
  if (freshness.LastPassStarted > 0) {
    text += "Последний проход: начат " + FormatDisplayDateTime(freshness.LastPassStarted) +
            ", длился " + SecondsText(freshness.LastPassSeconds) + ", записей " +
            std::to_string(rows) + "\n";
  } else {
    text += "Последний проход: неизвестно\n";
  }
  text += "Неудачных проходов подряд: " + std::to_string(freshness.FailedPasses) + "\n";
  text += "Последняя ошибка: " +
          (freshness.LastError.empty() ? std::string("нет") : OneLine(freshness.LastError)) + "\n";
  const TCheckFreshness& check = freshness.LastCheck;
  text += "Последняя проверка копии: " +
          (check.Finished > 0
               ? "окончена " + FormatDisplayDateTime(check.Finished) + ": " + OneLine(check.Summary)
               : std::string("не проводилась")) +
          "\n";
  const TCheckAttempt& attempt = freshness.LastCheckAttempt;
  if (attempt.Finished > check.Finished && attempt.End != TCheckEnd::kCompleted) {
    text += "Последняя попытка проверки: " + FormatDisplayDateTime(attempt.Finished) + ": " +
            OneLine(attempt.Summary) + "\n";
  }
  return text;
}

std::string StatusJson(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("copy").String(copy_conn_str);
  json.Key("clock").String(clock.Work ? "work" : "copy");
  json.Key("server_time").String(FormatIsoDateTime(clock.Time));
  json.Key("work_error");
  clock.Work ? json.Null() : json.String(clock.WorkError);
  json.Key("tables").BeginArray();
  for (const TTableFreshness& table : freshness.Tables) {
    json.BeginObject();
    json.Key("table").String(table.Table);
    json.Key("complete_as_of");
    DateTimeOrNull(json, table.CompleteAsOf);
    json.Key("lag_seconds");
    const std::optional<double> lag = LagSeconds(table.CompleteAsOf, clock.Time);
    lag ? json.Number(Rounded(*lag)) : json.Null();
    json.Key("rows_last_pass").Int(table.LastPassRows);
    json.Key("seconds_last_pass").Number(Rounded(table.LastPassSeconds));
    json.Key("mark");
    DateTimeOrNull(json, table.Mark);
    json.EndObject();
  }
  json.EndArray();
  json.Key("last_success");
  DateTimeOrNull(json, freshness.LastCopyTime);
  json.Key("last_pass_started");
  DateTimeOrNull(json, freshness.LastPassStarted);
  json.Key("last_pass_seconds").Number(Rounded(freshness.LastPassSeconds));
  json.Key("failed_passes").Int(freshness.FailedPasses);
  json.Key("last_error");
  freshness.LastError.empty() ? json.Null() : json.String(freshness.LastError);
  json.Key("last_check");
  const TCheckFreshness& check = freshness.LastCheck;
  if (check.Finished > 0) {
    json.BeginObject();
    json.Key("finished").String(FormatIsoDateTime(check.Finished));
    json.Key("compared").Int(check.Compared);
    json.Key("missing").Int(check.Missing);
    json.Key("different").Int(check.Different);
    json.Key("orphans").Int(check.Orphans);
    json.Key("left").Int(check.Left);
    json.Key("failed").Bool(check.Failed);
    json.Key("not_compared").Int(check.NotCompared);
    json.Key("summary").String(check.Summary);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("last_check_attempt");
  const TCheckAttempt& attempt = freshness.LastCheckAttempt;
  if (attempt.Finished > 0) {
    json.BeginObject();
    json.Key("finished").String(FormatIsoDateTime(attempt.Finished));
    json.Key("end").String(CheckEndName(attempt.End));
    json.Key("summary").String(attempt.Summary);
    json.EndObject();
  } else {
    json.Null();
  }
  json.EndObject();
  return json.Text() + "\n";
}

}  // namespace brindle
