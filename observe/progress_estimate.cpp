#include "observe/progress_estimate.h"

namespace brindle {

std::optional<double> TProgressEstimate::SecondsLeft(std::int32_t table_no, std::int32_t record_no,
                                                     std::int32_t record_count,
                                                     Clock::time_point now) {
  // Another table, or the same number in the next pass.
  if (table_no != table_no_ || record_no < first_record_) {
    table_no_ = table_no;
    first_record_ = record_no;
    first_seen_ = now;
    return std::nullopt;
  }
  const double seconds = std::chrono::duration<double>(now - first_seen_).count();
  const std::int32_t done = record_no - first_record_;
  if (seconds < 1 || done <= 0) return std::nullopt;
  const std::int32_t left = record_count > record_no ? record_count - record_no : 0;
  return left * seconds / done;
}

}  // namespace brindle
