#include "infra/ini_format.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(IniFormat, TextFormsAreFixed) {
  const TDateTime moment = EncodeDateTime({2026, 12, 7, 13, 5, 9, 42});
  EXPECT_EQ(FormatIniDate(moment), "07.12.2026");
  EXPECT_EQ(FormatIniTime(moment), "13:05:09.042");
  EXPECT_EQ(FormatIniDateTime(moment), "07.12.2026 13:05:09.042");
  EXPECT_EQ(FormatIniDateTime(EncodeDateTime({2026, 12, 7})), "07.12.2026");
  EXPECT_EQ(FormatIniDateTime(EncodeDateTime({2026, 12, 7, 0, 0, 0, 1})),
            "07.12.2026 00:00:00.001");
  EXPECT_EQ(FormatIniDate(EncodeDateTime({987, 1, 2})), "02.01.0987");
}

TEST(IniFormat, FloatsUseFifteenDigitsAndAPoint) {
  EXPECT_EQ(FormatIniFloat(7.0), "7");
  EXPECT_EQ(FormatIniFloat(0.1), "0.1");
  EXPECT_EQ(FormatIniFloat(-2.5), "-2.5");
  EXPECT_EQ(FormatIniFloat(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FormatIniFloat(1e20), "1E20");
  EXPECT_EQ(FormatIniFloat(1.5e-7), "1.5E-7");
  EXPECT_EQ(FormatIniFloat(0.0001), "0.0001");
  EXPECT_EQ(ParseIniFloat("1E20"), 1e20);
  EXPECT_EQ(ParseIniFloat(" -2.5 "), -2.5);
  EXPECT_EQ(ParseIniFloat("+3"), 3.0);
  for (const char* bad : {"", "1,5", "abc", "1.5x", "inf", "nan", "1e999"}) {
    EXPECT_EQ(ParseIniFloat(bad), std::nullopt) << bad;
  }
}

TEST(IniFormat, ParsedValuesRoundTrip) {
  const TDateTime moment = EncodeDateTime({2026, 12, 7, 13, 5, 9, 42});
  EXPECT_EQ(ParseIniDateTime(FormatIniDateTime(moment)), moment);
  EXPECT_EQ(ParseIniDate("7.12.2026"), EncodeDateTime({2026, 12, 7}));
  EXPECT_EQ(ParseIniTime("13:05"), EncodeDateTime({1899, 12, 30, 13, 5, 0, 0}));
  EXPECT_EQ(ParseIniTime("13:05:09.5"), EncodeDateTime({1899, 12, 30, 13, 5, 9, 500}));
  EXPECT_EQ(ParseIniDateTime("13:05:09"), ParseIniTime("13:05:09"));
  EXPECT_EQ(ParseIniDateTime("07.12.2026"), EncodeDateTime({2026, 12, 7}));
}

TEST(IniFormat, InvalidTextsAreRefused) {
  for (const char* bad :
       {"31.02.2026", "word", "2026-12-07", "07.12.20261", "07.12.", "1.2", "00.12.2026"}) {
    EXPECT_EQ(ParseIniDate(bad), std::nullopt) << bad;
  }
  for (const char* bad : {"24:00", "12:60", "12:00:60", "12", "12:00:00.12345", "noon"}) {
    EXPECT_EQ(ParseIniTime(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseIniDateTime("07.12.2026 25:00"), std::nullopt);
  EXPECT_EQ(ParseIniDateTime("07.12.2026 x"), std::nullopt);
}

}  // namespace
}  // namespace brindle
