#include "infra/json_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace brindle {
namespace {

TEST(JsonWriter, PutsCommasBetweenMembersAndElementsOnly) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("a").Int(1);
  json.Key("list").BeginArray();
  json.BeginObject().EndObject();
  json.BeginArray().EndArray();
  json.Bool(true).Bool(false).Null();
  json.EndArray();
  json.Key("b").String("x");
  json.EndObject();
  EXPECT_EQ(json.Text(), R"({"a":1,"list":[{},[],true,false,null],"b":"x"})");
}

TEST(JsonWriter, EscapesWhatJsonRequiresAndKeepsCyrillic) {
  EXPECT_EQ(JsonQuoted("Ошибка \"PC_CARD\" C:\\db\n\ttab\r\x01\x1f\x7f"),
            "\"Ошибка \\\"PC_CARD\\\" C:\\\\db\\n\\ttab\\r\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonQuoted("ё€😀"), "\"ё€😀\"");
}

// Error texts come from servers and files; whatever their bytes, the output must stay JSON.
TEST(JsonWriter, ReplacesBytesThatAreNoValidUtf8) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(JsonQuoted(std::string("a\xFF") + "b"), "\"a" + replacement + "b\"");
  EXPECT_EQ(JsonQuoted("\xD0"), "\"" + replacement + "\"");                    // cut short
  EXPECT_EQ(JsonQuoted("\xC0\xAF"), "\"" + replacement + replacement + "\"");  // overlong
  EXPECT_EQ(JsonQuoted("\xED\xA0\x80"),                                        // a surrogate
            "\"" + replacement + replacement + replacement + "\"");
  EXPECT_EQ(JsonQuoted("\xF4\x90\x80\x80"),  // above U+10FFFF
            "\"" + replacement + replacement + replacement + replacement + "\"");
}

TEST(JsonWriter, NumbersReadBackExactlyAndNonFiniteOnesAreNull) {
  TJsonWriter json;
  json.BeginArray()
      .Number(0.1)
      .Number(-2.5)
      .Number(1e21)
      .Number(std::numeric_limits<double>::infinity())
      .Number(std::numeric_limits<double>::quiet_NaN())
      .Int(-9007199254740993)
      .EndArray();
  EXPECT_EQ(json.Text(), "[0.1,-2.5,1e+21,null,null,-9007199254740993]");
}

}  // namespace
}  // namespace brindle
