#include "replication/check_result.h"

#include <algorithm>
#include <numeric>

namespace brindle {

namespace {

template <class Count>
std::int64_t Sum(const TCheckResult& result, Count count) {
  return std::accumulate(
      result.Tables.begin(), result.Tables.end(), std::int64_t{0},
      [&](std::int64_t sum, const TTableCheck& table) { return sum + count(table); });
}

}  // namespace

bool TCheckResult::Failed() const {
  if (!Error.empty()) return true;
  for (const TTableCheck& table : Tables) {
    if (!table.Error.empty()) return true;
  }
  return false;
}

std::int64_t TCheckResult::Compared() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Compared; });
}

std::int64_t TCheckResult::Missing() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Missing; });
}

std::int64_t TCheckResult::Different() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Different; });
}

std::int64_t TCheckResult::Orphans() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Orphans; });
}

std::int64_t TCheckResult::Found() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Found(); });
}

std::int64_t TCheckResult::Left() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Left(); });
}

std::int64_t TCheckResult::Repaired() const {
  return Sum(*this, [](const TTableCheck& table) { return table.Mended; });
}

std::int64_t TCheckResult::NotCompared() const {
  return Sum(*this, [](const TTableCheck& table) { return table.NotCompared.empty() ? 0 : 1; });
}

int CheckExitStatus(const TCheckResult& result) {
  if (result.End == TCheckEnd::kInterrupted) return kCheckInterruptedStatus;
  if (result.Failed()) return 2;
  // A copy is proven equal only by rows compared, in every table asked for.
  return result.Left() > 0 || result.NotCompared() > 0 || result.Compared() == 0 ? 1 : 0;
}

const char* CheckEndName(TCheckEnd end) {
  switch (end) {
    case TCheckEnd::kCompleted:
      return "completed";
    case TCheckEnd::kRefused:
      return "refused";
    case TCheckEnd::kFailed:
      return "failed";
    case TCheckEnd::kInterrupted:
      return "interrupted";
  }
  return "failed";
}

TCheckEnd CheckEndFromName(const std::string& name) {
  for (const TCheckEnd end :
       {TCheckEnd::kCompleted, TCheckEnd::kRefused, TCheckEnd::kInterrupted}) {
    if (name == CheckEndName(end)) return end;
  }
  return TCheckEnd::kFailed;
}

std::string CheckSummaryText(const TCheckResult& result) {
  const auto failed = std::count_if(result.Tables.begin(), result.Tables.end(),
                                    [](const TTableCheck& table) { return !table.Error.empty(); });
  std::string text = "Проверка копии: таблиц " + std::to_string(result.Tables.size()) +
                     ", сравнено записей " + std::to_string(result.Compared()) + ", нет в копии " +
                     std::to_string(result.Missing()) + ", различаются " +
                     std::to_string(result.Different()) + ", лишних в копии " +
                     std::to_string(result.Orphans());
  if (result.Repair) text += ", исправлено " + std::to_string(result.Repaired());
  std::string not_compared;
  for (const TTableCheck& table : result.Tables) {
    if (table.NotCompared.empty()) continue;
    not_compared +=
        (not_compared.empty() ? "" : "; ") + table.Table + " (" + table.NotCompared + ")";
  }
  if (!not_compared.empty()) text += ", не сравнивались таблицы: " + not_compared;
  if (failed > 0) text += ", не проверено таблиц из-за ошибок " + std::to_string(failed);
  switch (result.End) {
    case TCheckEnd::kCompleted:
      if (result.Compared() == 0 && failed == 0) text += "; не сравнено ни одной записи";
      break;
    case TCheckEnd::kRefused:
      text += "; отказ: " + result.Error;
      break;
    case TCheckEnd::kFailed:
      text += "; ошибка: " + result.Error;
      break;
    case TCheckEnd::kInterrupted:
      text += "; прервана: " + result.Error;
      break;
  }
  return text;
}

}  // namespace brindle
