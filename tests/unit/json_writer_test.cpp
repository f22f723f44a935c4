#include "infra/json_writer.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(JsonWriterTest, NestsObjectsAndArraysWithCommasBetweenValues) {
  TJsonWriter json;
  json.BeginObject();
  json.Key("tables");
  json.BeginArray();
  for (const char* name : {"A", "B"}) {
    json.BeginObject();
    json.Key("table");
    json.String(name);
    json.Key("compared");
    json.Integer(-3);
    json.Key("seconds");
    json.Number(0.25);
    json.Key("keys");
    json.BeginArray();
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  EXPECT_EQ(json.Text(),
            R"({"tables": [{"table": "A", "compared": -3, "seconds": 0.25, "keys": []}, )"
            R"({"table": "B", "compared": -3, "seconds": 0.25, "keys": []}]})");
}

TEST(JsonWriterTest, EscapesWhatJsonRequiresAndKeepsUtf8) {
  EXPECT_EQ(JsonQuoted("Ж \"a\"\\b\n\t\x01"), "\"Ж \\\"a\\\"\\\\b\\n\\t\\u0001\"");
  TJsonWriter json;
  json.BeginArray();
  json.Number(1.0 / 0.0);
  json.Number(1e20);
  json.EndArray();
  EXPECT_EQ(json.Text(), "[null, 1e+20]");
}

}  // namespace
}  // namespace brindle
