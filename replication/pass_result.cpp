#include "replication/pass_result.h"

#include <algorithm>

namespace brindle {

const char* PassStepName(TPassStep step) {
  switch (step) {
    case TPassStep::kConnectWork:
      return "подключение к рабочей БД";
    case TPassStep::kConnectCopy:
      return "подключение к копии БД";
    case TPassStep::kLockCopy:
      return "блокировка копии БД";
    case TPassStep::kMarkCopy:
      return "отметка копии БД";
    case TPassStep::kReadHorizon:
      return "чтение открытых транзакций рабочей БД";
    case TPassStep::kTable:
      return "репликация таблицы";
    case TPassStep::kCarryOver:
      return "перенос настроек";
    case TPassStep::kFinish:
      return "завершение копирования";
  }
  return "";
}

std::int64_t TPassResult::Copied() const {
  std::int64_t copied = 0;
  for (const TTableResult& table : Tables) copied += table.Copied();
  return copied;
}

std::size_t TPassResult::TablesCopied() const {
  return static_cast<std::size_t>(std::count_if(
      Tables.begin(), Tables.end(), [](const TTableResult& table) { return table.Copied() > 0; }));
}

}  // namespace brindle
