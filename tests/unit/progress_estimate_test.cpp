#include "observe/progress_estimate.h"

#include <gtest/gtest.h>

#include "platform/text_forms.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;

TEST(ProgressEstimate, TheRestAtTheRateSinceTheTableWasFirstSeen) {
  TProgressEstimate estimate;
  const auto start = TProgressEstimate::Clock::now();
  EXPECT_FALSE(estimate.SecondsLeft(3, 1000, 100000, start));
  EXPECT_FALSE(estimate.SecondsLeft(3, 1400, 100000, start + 500ms)) << "too soon to tell";
  // 2,000 rows in 2 s: the 97,000 left take 97 s.
  EXPECT_DOUBLE_EQ(*estimate.SecondsLeft(3, 3000, 100000, start + 2s), 97);
  // The next table starts afresh.
  EXPECT_FALSE(estimate.SecondsLeft(4, 10, 50, start + 3s));
  EXPECT_FALSE(estimate.SecondsLeft(4, 10, 50, start + 5s)) << "no rows came";
  EXPECT_DOUBLE_EQ(*estimate.SecondsLeft(4, 50, 50, start + 7s), 0);
  // The same table number in the next pass begins at its first row again.
  EXPECT_FALSE(estimate.SecondsLeft(4, 0, 50, start + 70s));
}

TEST(DurationText, TwoLargestUnits) {
  EXPECT_EQ(DurationText(0.9), "0 с");
  EXPECT_EQ(DurationText(45), "45 с");
  EXPECT_EQ(DurationText(723), "12 мин 03 с");
  EXPECT_EQ(DurationText(3 * 3600 + 5 * 60 + 59), "3 ч 05 мин");
  EXPECT_EQ(DurationText(2 * 86400 + 4 * 3600 + 1), "2 дн 4 ч");
  EXPECT_EQ(DurationText(-61), "-1 мин 01 с");
}

}  // namespace
}  // namespace brindle
