#include "ui/tables_view.h"

#include <algorithm>
#include <utility>

#include "observe/pass_summary.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/check_result.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

constexpr char kUnknown[] = "—";

std::string ErrorLine(const std::string& error) {
  return OneLine(WithoutClassName(error));
}

std::string SummaryText(const TKnownFreshness& known, const std::optional<TPassResult>& last,
                        const TRecordReadState& record) {
  std::string text;
  if (!last) {
    text = "Копирование в этом сеансе ещё не выполнялось";
  } else {
    text = PassSummaryText(*last, FormatDisplayDateTime(last->Finished));
    if (last->Failed() && last->Error) text += "\n" + ErrorLine(last->Error->Text);
  }
  if (const std::optional<TKnownRound>& round = known.LastRound()) {
    text += "\n" + FormatDisplayDateTime(round->LearntAt) + ": " + CheckSummaryText(round->Result);
  }
  const bool from_record = std::any_of(known.Tables().begin(), known.Tables().end(),
                                       [](const TKnownTable& table) { return table.FromRecord; });
  if (record.Reading) {
    text += "\nСведения о таблицах читаются из копии…";
  } else if (!record.Error.empty()) {
    text += "\nСведения о таблицах из копии не прочитаны: " + ErrorLine(record.Error);
  } else if (from_record) {
    text += "\nТаблицы, до которых копирование в этом сеансе не доходило, — по сведениям из копии";
  }
  return text;
}

// Compact: the column is narrow, and the whole finding is in the check's summary and the log.
std::string CheckedText(const TTableCheck& table) {
  if (!table.Error.empty()) return "ошибка: " + ErrorLine(table.Error);
  if (!table.NotCompared.empty()) return "не сравнивалась: " + table.NotCompared;
  if (table.Found() == 0) return "совпадает";
  std::string text;
  for (const auto& [count, name] : {std::pair{table.Missing, "нет в копии"},
                                    {table.Different, "различаются"},
                                    {table.Orphans, "лишних в копии"}}) {
    if (count == 0) continue;
    text += (text.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(count);
  }
  if (table.Mended > 0) text += "; исправлено " + std::to_string(table.Mended);
  if (table.Mended > 0 && table.Left() > 0) text += ", осталось " + std::to_string(table.Left());
  return text;
}

}  // namespace

TTablesView ComputeTablesView(const TKnownFreshness& known, const std::optional<TPassResult>& last,
                              const TRecordReadState& record, TDateTime now) {
  TTablesView view;
  view.Summary = SummaryText(known, last, record);
  const std::optional<double> offset = known.WorkClockOffset();
  for (const TKnownTable& table : known.Tables()) {
    TTableView row;
    row.Table = table.Table;
    row.Failed = table.Failed ||
                 (table.Checked && (!table.Checked->Error.empty() || table.Checked->Left() > 0));
    row.Rows = table.Rows ? std::to_string(*table.Rows) : kUnknown;
    row.CompleteAsOf =
        table.CompleteAsOf > 0 ? FormatDisplayDateTime(table.CompleteAsOf) : kUnknown;
    const std::optional<double> lag =
        offset ? LagSeconds(table.CompleteAsOf, now + *offset) : std::nullopt;
    // Clocks that disagree must not show the copy ahead of the working database.
    row.Lag = lag && *lag >= 0 ? DurationText(*lag) : kUnknown;
    row.VerifiedAsOf =
        table.VerifiedAsOf > 0 ? FormatDisplayDateTime(table.VerifiedAsOf) : kUnknown;
    row.Checked = table.Checked ? CheckedText(*table.Checked) : kUnknown;
    view.Tables.push_back(std::move(row));
  }
  return view;
}

}  // namespace brindle
