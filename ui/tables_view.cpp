#include "ui/tables_view.h"

#include "observe/pass_summary.h"
#include "platform/text_forms.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

constexpr char kUnknown[] = "—";

}  // namespace

TTablesView ComputeTablesView(const std::optional<TPassResult>& last, TDateTime now,
                              const std::function<std::string(TDateTime)>& date_time_text) {
  TTablesView view;
  if (!last) {
    view.Summary = "Копирование в этом сеансе ещё не выполнялось";
    return view;
  }
  view.Summary = PassSummaryText(*last, date_time_text(last->Finished));
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
