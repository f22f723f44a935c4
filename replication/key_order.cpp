#include "replication/key_order.h"

#include <cstdint>

#include "ibx/win1251.h"

namespace brindle {

namespace {

std::string ServerOrderText(const ibx::TIBValue& key) {
  return ibx::Utf8ToWin1251(KeyText(key, true));
}

}  // namespace

std::string KeyText(const ibx::TIBValue& key, bool text_key) {
  std::string text = key.AsString();
  if (text_key) text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

int CompareKeys(const ibx::TIBValue& a, const ibx::TIBValue& b, bool text_key) {
  if (text_key) return ServerOrderText(a).compare(ServerOrderText(b));
  const std::int64_t x = a.AsInt64(), y = b.AsInt64();
  return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace brindle
