#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "replication/key_order.h"

namespace brindle {
namespace {

using ibx::TIBValue;

TEST(KeyOrderTest, IntegerKeysCompareAsNumbers) {
  EXPECT_LT(CompareKeys(TIBValue::Int(9), TIBValue::Int(10), false), 0);
  EXPECT_GT(CompareKeys(TIBValue::Int(-1), TIBValue::Int(-2), false), 0);
  EXPECT_EQ(CompareKeys(TIBValue::Int(7), TIBValue::Int(7), false), 0);
}

// The WIN1251 collation orders by byte, so Latin before Cyrillic, capitals before small letters
// within each, and Ё (0xA8) before А (0xC0); trailing blanks do not count.
TEST(KeyOrderTest, TextKeysFollowTheServersWin1251OrderIgnoringTrailingBlanks) {
  std::vector<std::string> keys{"Жук", "а", "10", "9", "Ёж", "Z", "z", "А", "1"};
  std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return CompareKeys(TIBValue::Text(a), TIBValue::Text(b), true) < 0;
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"1", "10", "9", "Z", "z", "Ёж", "А", "Жук", "а"}));
  EXPECT_EQ(CompareKeys(TIBValue::Text("ab  "), TIBValue::Text("ab"), true), 0);
  EXPECT_LT(CompareKeys(TIBValue::Text("a b"), TIBValue::Text("ab"), true), 0);
}

}  // namespace
}  // namespace brindle
