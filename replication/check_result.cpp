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

int CheckExitStatus(const TCheckResult& result) {
  if (result.Failed()) return 2;
  return result.Left() > 0 ? 1 : 0;
}

std::string CheckSummaryText(const TCheckResult& result) {
  const auto failed = std::count_if(result.Tables.begin(), result.Tables.end(),
                                    [](const TTableCheck& table) { return !table.Error.empty(); });
  std::string text = "Проверка копии: таблиц " + std::to_string(result.Tables.size()) +
                     ", сравнено записей " + std::to_string(result.Compared()) + ", нет в копии " +
                     std::to_string(result.Missing()) + ", различаются " +
                     std::to_string(result.Different()) + ", лишних в копии " +
                     std::to_string(result.Orphans());
  if (result.Repair) text += ", исправлено " + std::to_string(result.Found() - result.Left());
  if (failed > 0) text += ", не проверено таблиц из-за ошибок " + std::to_string(failed);
  if (!result.Error.empty()) text += "; ошибка: " + result.Error;
  return text;
}

}  // namespace brindle
