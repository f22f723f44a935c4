// The time left of the table being copied, estimated from the copy thread's published progress
// (TableNo, RecordNo, RecordCount) looked at now and then: the table's rows still to come at the
// rate its rows have come since it was first seen.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace brindle {

class TProgressEstimate {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes a look at the progress; the seconds left of the table, once a second of its rows has
  // been seen.
  std::optional<double> SecondsLeft(std::int32_t table_no, std::int32_t record_no,
                                    std::int32_t record_count, Clock::time_point now);

 private:
  std::int32_t table_no_ = -1;
  std::int32_t first_record_ = 0;
  Clock::time_point first_seen_;
};

}  // namespace brindle
