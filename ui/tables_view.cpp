#include "ui/tables_view.h"

#include "platform/text_forms.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

constexpr char kUnknown[] = "—";

std::string PassSummary(const TPassResult& pass,
                        const std::function<std::string(TDateTime)>& date_time_text) {
  const std::string when = date_time_text(pass.Finished);
  switch (pass.Status) {
    case TPassStatus::kCompleted:
      return "Последнее копирование " + when + ": таблиц с изменениями " +
             std::to_string(pass.TablesCopied()) + " из " + std::to_string(pass.Tables.size()) +
             ", записей " + std::to_string(pass.Copied());
    case TPassStatus::kSkipped:
      return "Последнее копирование " + when + " пропущено: копию заполняет другая программа";
    case TPassStatus::kFailed:
      break;
  }
  return "Последнее копирование " + when +
         " не удалось (неудачных подряд: " + std::to_string(pass.FailedPasses) + ")";
}

}  // namespace

TTablesView ComputeTablesView(const std::optional<TPassResult>& last, TDateTime now,
                              const std::function<std::string(TDateTime)>& date_time_text) {
  TTablesView view;
  if (!last) {
    view.Summary = "Копирование в этом сеансе ещё не выполнялось";
    return view;
  }
  view.Summary = PassSummary(*last, date_time_text);
  for (const TTableResult& table : last->Tables) {
    TTableView row;
    row.Table = table.Table;
    row.Failed = table.Failed;
    row.Rows = std::to_string(RowsKept(table));
    const TDateTime complete_as_of = table.MarkAfter;
    row.CompleteAsOf = complete_as_of > 0 ? date_time_text(complete_as_of) : kUnknown;
    const std::optional<double> lag = last->WorkClockOffset
                                          ? LagSeconds(complete_as_of, now + *last->WorkClockOffset)
                                          : std::nullopt;
    row.Lag = lag ? DurationText(*lag) : kUnknown;
    view.Tables.push_back(std::move(row));
  }
  return view;
}

}  // namespace brindle
