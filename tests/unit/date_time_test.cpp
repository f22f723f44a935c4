#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/error.h"

namespace brindle {
namespace {

TEST(DateTime, DayCountStartsAt1899_12_30) {
  EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
  EXPECT_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
  EXPECT_EQ(EncodeDateTime({2000, 1, 1}), 36526.0);
  EXPECT_EQ(EncodeDateTime({2026, 12, 8, 12, 0, 0, 0}), 46364.5);
}

TEST(DateTime, FieldsRoundTripToTheMillisecond) {
  for (const DateTimeFields f :
       {DateTimeFields{2026, 12, 7, 20, 24, 4, 123}, DateTimeFields{2024, 2, 29, 23, 59, 59, 999},
        DateTimeFields{1, 1, 1, 0, 0, 0, 1}, DateTimeFields{9999, 12, 31, 23, 59, 59, 999},
        DateTimeFields{1899, 12, 29, 6, 0, 0, 0}, DateTimeFields{1850, 6, 15, 13, 14, 15, 16}}) {
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(f)), f) << f.year;
  }
}

TEST(DateTime, BeforeTheEpochTheTimeStillCountsForward) {
  // 1899-12-29 06:00 is -1.25: the whole part is the day, the fraction the time of day.
  EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
  EXPECT_EQ(DecodeDateTime(-1.25), (DateTimeFields{1899, 12, 29, 6, 0, 0, 0}));
}

TEST(DateTime, RoundingToTheMillisecondMayReachTheNextDay) {
  const double almost_midnight = EncodeDateTime({2026, 1, 31}) + 1.0 - 1e-10;
  EXPECT_EQ(DecodeDateTime(almost_midnight), (DateTimeFields{2026, 2, 1, 0, 0, 0, 0}));
  EXPECT_EQ(DecodeDateTime(EncodeDateTime({2026, 1, 1}) + 0.0004 / 86400).millisecond, 0);
  EXPECT_EQ(DecodeDateTime(EncodeDateTime({2026, 1, 1}) + 0.0006 / 86400).millisecond, 1);
}

TEST(DateTime, InvalidFieldsAreRefused) {
  EXPECT_EQ(TryEncodeDate(2026, 2, 29), std::nullopt);
  EXPECT_EQ(TryEncodeDate(1900, 2, 29), std::nullopt);
  EXPECT_NE(TryEncodeDate(2000, 2, 29), std::nullopt);
  EXPECT_EQ(TryEncodeDate(0, 1, 1), std::nullopt);
  EXPECT_EQ(TryEncodeDate(10000, 1, 1), std::nullopt);
  EXPECT_EQ(TryEncodeDate(2026, 13, 1), std::nullopt);
  EXPECT_EQ(TryEncodeTime(24, 0, 0, 0), std::nullopt);
  EXPECT_EQ(TryEncodeTime(0, 0, 0, 1000), std::nullopt);
  EXPECT_THROW(EncodeDateTime({2026, 4, 31}), EConvertError);
}

TEST(DateTime, NowIsTheLocalTime) {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  const TDateTime expected = EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                             local.tm_hour, local.tm_min, local.tm_sec, 0});
  EXPECT_NEAR(Now(), expected, 2.0 / 86400);
}

}  // namespace
}  // namespace brindle
