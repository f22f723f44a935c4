#include "app/status_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dbaccess/fyrn.h"
#include "infra/json_writer.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/server_clock.h"

namespace brindle {

namespace {

TDateTime ServerTime(TFyrn& fyrn, const std::string& conn_str, const std::string& password) {
  TFyrn::Connection connection = fyrn.Connect(conn_str, password);
  return ServerTime(fyrn, *connection);
}

constexpr char kDamaged[] = "повреждено";

std::optional<double> Lag(const TTableFreshness& table, const TStatusClock& clock) {
  return LagSeconds(table.CompleteAsOf, clock.LagClock());
}

std::string LagText(const TTableFreshness& table, const TStatusClock& clock) {
  if (table.CompleteAsOfDamaged) return kDamaged;
  const std::optional<double> lag = Lag(table, clock);
  if (!lag) return "—";
  return *lag < 0 ? "ниже нуля" : DurationText(*lag);
}

std::string TimeText(TDateTime time, bool damaged) {
  return damaged ? kDamaged : FormatDisplayDateTime(time);
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

std::string SignedSeconds(double seconds) {
  const double tenths = std::round(seconds * 10) / 10;
  return (tenths < 0 ? "-" : "+") + SecondsText(std::abs(tenths));
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

TStatusClock ReadStatusClock(TFyrn& fyrn, const TCopySettings& settings,
                             std::optional<double> recorded_offset) {
  TStatusClock clock;
  try {
    clock.Time = ServerTime(fyrn, settings.WorkDBConnStr, settings.WorkDBPassword);
    return clock;
  } catch (const std::exception& e) {
    clock.Work = false;
    clock.WorkError = WithoutClassName(OneLine(e.what()));
  }
  clock.Time = ServerTime(fyrn, settings.CopyDBConnStr, settings.CopyDBPassword);
  clock.WorkClockOffset = recorded_offset;
  return clock;
}

void NoteFutureTimes(TCopyFreshness& freshness, const TStatusClock& clock, TDateTime local_now) {
  const bool work_clock_known = clock.Work || clock.Estimated();
  NoteFutureTimes(freshness, work_clock_known ? std::optional(clock.LagClock()) : std::nullopt,
                  local_now);
}

std::vector<TLaggingTable> TablesLaggingMore(const TCopyFreshness& freshness,
                                             const TStatusClock& clock, double max_lag) {
  std::vector<TLaggingTable> tables;
  for (const TTableFreshness& table : freshness.Tables) {
    const std::optional<double> lag = Lag(table, clock);
    std::string reason;
    if (table.CompleteAsOfDamaged) {
      reason = "время полноты повреждено";
    } else if (!lag) {
      reason = "ни один проход не сделал её полной";
    } else if (*lag < 0) {
      reason = "отставание ниже нуля (" + DurationText(*lag) +
               "): часы серверов расходятся, отставание неизвестно";
    } else if (*lag > max_lag) {
      reason = DurationText(*lag);
    } else {
      continue;
    }
    tables.push_back({table.Table, reason});
  }
  return tables;
}

std::string StatusText(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock) {
  std::string text = "Копия: " + copy_conn_str + "\n";
  if (clock.Work) {
    text += "Время рабочего сервера: " + FormatDisplayDateTime(clock.Time) +
            " (по нему считается отставание)\n";
  } else if (clock.Estimated()) {
    text += "Время рабочего сервера (оценка): " + FormatDisplayDateTime(clock.LagClock()) +
            ": время сервера копии " + FormatDisplayDateTime(clock.Time) +
            " с поправкой на расхождение часов серверов, записанное последним проходом (" +
            SignedSeconds(*clock.WorkClockOffset * kSecondsPerDay) +
            "); отставание оценено, рабочая БД недоступна: " + PrintableLine(clock.WorkError) +
            "\n";
  } else {
    text += "Время сервера копии: " + FormatDisplayDateTime(clock.Time) +
            " (отставание считается по нему, расхождение часов серверов не записано: рабочая БД "
            "недоступна: " +
            PrintableLine(clock.WorkError) + ")\n";
  }
  std::size_t table_width = CharCount("Таблица");
  for (const TTableFreshness& table : freshness.Tables) {
    table_width = std::max(table_width, CharCount(table.Table));
  }
  constexpr std::size_t kTime = 19, kLag = 13, kRows = 9;
  text += Column("Таблица", table_width) + Column("Полна на", kTime) + Column("Отставание", kLag) +
          Column("Записей", kRows) + Column("Отметка", kTime) + "Проверена на\n";
  std::int64_t rows = 0;
  bool below_zero = false;
  for (const TTableFreshness& table : freshness.Tables) {
    const std::optional<double> lag = Lag(table, clock);
    below_zero = below_zero || (lag && *lag < 0);
    text +=
        Column(table.Table, table_width) +
        Column(TimeText(table.CompleteAsOf, table.CompleteAsOfDamaged), kTime) +
        Column(LagText(table, clock), kLag) +
        Column(table.LastPassRowsDamaged ? kDamaged : std::to_string(table.LastPassRows), kRows) +
        Column(TimeText(table.Mark, table.MarkDamaged), kTime) +
        (table.VerifiedAsOf > 0 || table.VerifiedAsOfDamaged
             ? TimeText(table.VerifiedAsOf, table.VerifiedAsOfDamaged)
             : "—") +
        "\n";
    rows += table.LastPassRows;
  }
  if (below_zero) {
    text +=
        "Отставание ниже нуля: таблица полна на время позже часов, по которым считается "
        "отставание; часы серверов расходятся, отставание таких таблиц неизвестно\n";
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
  text += "Неудачных проходов подряд: " +
          (freshness.FailedPassesDamaged ? kDamaged : std::to_string(freshness.FailedPasses)) +
          "\n";
  text += "Последняя ошибка: " +
          (freshness.LastError.empty() ? std::string("нет")
                                       : PrintableLine(WithoutClassName(freshness.LastError))) +
          "\n";
  const TCheckFreshness& check = freshness.LastCheck;
  text += "Последняя проверка копии: " +
          (check.Finished > 0 ? "окончена " + FormatDisplayDateTime(check.Finished) + ": " +
                                    PrintableLine(check.Summary)
                              : std::string("не проводилась")) +
          "\n";
  const TCheckAttempt& attempt = freshness.LastCheckAttempt;
  if (attempt.Finished > check.Finished && attempt.End != TCheckEnd::kCompleted) {
    text += "Последняя попытка проверки: " + FormatDisplayDateTime(attempt.Finished) + ": " +
            PrintableLine(attempt.Summary) + "\n";
  }
  for (const TDamagedValue& value : freshness.Damaged) {
    text += "Повреждённое значение REPLICATION_INFO/" + value.Key + " = \"" +
            PrintableLine(value.Text) + "\": " + value.Problem + "; не учитывается\n";
  }
  return text;
}

std::string StatusJson(const std::string& copy_conn_str, const TCopyFreshness& freshness,
                       const TStatusClock& clock, const std::vector<TLaggingTable>& lagging,
                       int exit_status) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("copy").String(copy_conn_str);
  json.Key("error").Null();
  json.Key("exit_status").Int(exit_status);
  json.Key("clock").String(clock.Work ? "work" : "copy");
  json.Key("server_time").String(FormatIsoDateTime(clock.Time));
  json.Key("work_error");
  clock.Work ? json.Null() : json.String(clock.WorkError);
  json.Key("lag_estimated").Bool(clock.Estimated());
  json.Key("work_clock_offset_seconds");
  clock.WorkClockOffset ? json.Number(Rounded(*clock.WorkClockOffset * kSecondsPerDay))
                        : json.Null();
  json.Key("tables").BeginArray();
  for (const TTableFreshness& table : freshness.Tables) {
    json.BeginObject();
    json.Key("table").String(table.Table);
    json.Key("complete_as_of");
    DateTimeOrNull(json, table.CompleteAsOf);
    json.Key("lag_seconds");
    const std::optional<double> lag = Lag(table, clock);
    lag ? json.Number(Rounded(*lag)) : json.Null();
    json.Key("rows_last_pass");
    table.LastPassRowsDamaged ? json.Null() : json.Int(table.LastPassRows);
    json.Key("seconds_last_pass").Number(Rounded(table.LastPassSeconds));
    json.Key("mark");
    DateTimeOrNull(json, table.Mark);
    json.Key("verified_as_of");
    DateTimeOrNull(json, table.VerifiedAsOf);
    json.Key("verified_age_seconds");
    const std::optional<double> age = LagSeconds(table.VerifiedAsOf, clock.LagClock());
    age ? json.Number(Rounded(*age)) : json.Null();
    json.EndObject();
  }
  json.EndArray();
  json.Key("last_success");
  DateTimeOrNull(json, freshness.LastCopyTime);
  json.Key("last_pass_started");
  DateTimeOrNull(json, freshness.LastPassStarted);
  json.Key("last_pass_seconds").Number(Rounded(freshness.LastPassSeconds));
  json.Key("failed_passes");
  freshness.FailedPassesDamaged ? json.Null() : json.Int(freshness.FailedPasses);
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
  json.Key("damaged").BeginArray();
  for (const TDamagedValue& value : freshness.Damaged) {
    json.BeginObject();
    json.Key("key").String(value.Key);
    json.Key("value").String(value.Text);
    json.Key("problem").String(value.Problem);
    json.EndObject();
  }
  json.EndArray();
  json.Key("lagging").BeginArray();
  for (const TLaggingTable& table : lagging) {
    json.BeginObject();
    json.Key("table").String(table.Table);
    json.Key("reason").String(table.Reason);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.Text() + "\n";
}

std::string StatusErrorJson(const std::string& copy_conn_str, const std::string& error,
                            int exit_status) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("copy").String(copy_conn_str);
  json.Key("error").String(error);
  json.Key("exit_status").Int(exit_status);
  json.EndObject();
  return json.Text() + "\n";
}

}  // namespace brindle
