#include "observe/pass_summary.h"

#include "replication/copy_pass.h"

namespace brindle {

std::string PassSummaryText(const TPassResult& pass, const std::string& when) {
  switch (pass.Status) {
    case TPassStatus::kCompleted:
      return "Копирование завершено " + when + ": таблиц с изменениями " +
             std::to_string(pass.TablesCopied()) + " из " + std::to_string(pass.Tables.size()) +
             ", записей " + std::to_string(pass.Copied());
    case TPassStatus::kSkipped:
      return SkippedPassText(pass.LockHolder, pass.LockHeldByRepair) + " (" + when + ")";
    case TPassStatus::kFailed:
      break;
  }
  std::string text =
      "Копирование не удалось " + when + " (неудачных подряд: " + std::to_string(pass.FailedPasses);
  if (pass.TableErrors.size() > 1) {
    text += "; таблиц с ошибками: " + std::to_string(pass.TableErrors.size());
  }
  return text + ")";
}

}  // namespace brindle
