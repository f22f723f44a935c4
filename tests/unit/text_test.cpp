#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/error.h"

#include <stdexcept>

namespace brindle {
namespace {

TEST(Text, LowerCaseMapsLatinAndCyrillicOnly) {
  EXPECT_EQ(LowerCase("C:\\ZEMT\\Brindle.SET"), "c:\\zemt\\brindle.set");
  EXPECT_EQ(LowerCase("ПАПКА Ёлка Її Ґ"), "папка ёлка її ґ");
  EXPECT_EQ(LowerCase("ß ÄÖ 日本"), "ß ÄÖ 日本");  // outside the suite's code page
  const std::string broken = "A\xD0\xFFZ";         // a cut character stays as it is
  EXPECT_EQ(LowerCase(broken), "a\xD0\xFFz");
  EXPECT_TRUE(SameText("Офис", "ОФИС"));
  EXPECT_FALSE(SameText("Офис", "Офис "));
}

TEST(Text, TryStrToIntTakesDecimalAndHexadecimal) {
  EXPECT_EQ(TryStrToInt("42"), 42);
  EXPECT_EQ(TryStrToInt("  -17"), -17);
  EXPECT_EQ(TryStrToInt("+5"), 5);
  EXPECT_EQ(TryStrToInt("0x1f"), 31);
  EXPECT_EQ(TryStrToInt("$FF"), 255);
  EXPECT_EQ(TryStrToInt("0xFFFFFFFF"), -1);
  EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
  EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
  for (const char* bad :
       {"", "0x", "2147483648", "12abc", "1 ", "--1", "+-1", "0x+1", "0x100000000", "abc", "1.5"}) {
    EXPECT_EQ(TryStrToInt(bad), std::nullopt) << bad;
  }
}

TEST(Text, StrToIntIsStrictAndNamesTheText) {
  EXPECT_EQ(StrToInt("3051"), 3051);
  EXPECT_EQ(StrToInt("-7"), -7);
  for (const char* bad : {"", " 1", "0x10", "$10", "abc", "99999999999", "-"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  }
  try {
    StrToInt("abc");
  } catch (const EConvertError& e) {
    EXPECT_NE(e.Message().find("'abc'"), std::string::npos);
    EXPECT_STREQ(e.ClassName(), "EConvertError");
  }
}

TEST(Text, CharactersAreCountedWhole) {
  EXPECT_EQ(CharCount("абв"), 3u);
  EXPECT_EQ(LeftChars("абвг", 2), "аб");
  EXPECT_EQ(LeftChars("ab", 5), "ab");
  EXPECT_EQ(HexDigits(std::string("\x00\xAB", 2)), "00AB");
}

TEST(Errors, PrefixesNestAndTheClassSurvives) {
  try {
    WithContext("Outer", [] { WithContext("Inner", [] { throw EConvertError("bad"); }); });
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Outer -> Inner -> bad");
  }
  try {
    WithContext("Ctx", [] { throw std::runtime_error("foreign"); });
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Ctx -> foreign");
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

TEST(Errors, ClassNameIsAddedOnceAtTheEnd) {
  try {
    try {
      WithContext("Row 7", [] { throw EConvertError("bad number"); });
    } catch (...) {
      WrapException("Inner", true);
    }
  } catch (...) {
    try {
      WrapException("Outer", true);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Outer -> Inner -> Row 7 -> bad number <# EConvertError #>");
      return;
    }
  }
  FAIL() << "no EConvertError";
}

TEST(Errors, ForeignExceptionsNameTheirOwnClass) {
  try {
    try {
      throw std::out_of_range("index");
    } catch (...) {
      WrapException("Ctx", true);
    }
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Ctx -> index <# std::out_of_range #>");
    return;
  }
  FAIL() << "no Exception";
}

TEST(Errors, WithoutClassNameDropsOnlyTheTrailingClassName) {
  EXPECT_EQ(WithoutClassName("Ctx -> bad <# EIBError #>"), "Ctx -> bad");
  EXPECT_EQ(WithoutClassName("a <# b #> then <# std::out_of_range #>"), "a <# b #> then");
  for (const char* kept : {"plain", "a <# EIBError #> more", "<# EIBError #>", "x <#", "x #>"}) {
    EXPECT_EQ(WithoutClassName(kept), kept);
  }
}

}  // namespace
}  // namespace brindle
