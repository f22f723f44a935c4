// A small writer of JSON text (RFC 8259) for machine-readable output: values are given in order
// and the writer puts the commas and escapes the strings. Strings are UTF-8; a byte that is no
// part of valid UTF-8 becomes U+FFFD, so the text is always valid JSON. A number that is not
// finite becomes null. The caller keeps the grammar: a key before each value of an object, every
// container closed before Text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class TJsonWriter {
 public:
  TJsonWriter& BeginObject();
  TJsonWriter& EndObject();
  TJsonWriter& BeginArray();
  TJsonWriter& EndArray();
  TJsonWriter& Key(std::string_view name);
  TJsonWriter& String(std::string_view value);
  TJsonWriter& Int(std::int64_t value);
  // The shortest text that reads back as the same double.
  TJsonWriter& Number(double value);
  TJsonWriter& Bool(bool value);
  TJsonWriter& Null();

  const std::string& Text() const { return text_; }

 private:
  void BeforeValue();

  std::string text_;
  std::vector<bool> empty_;  // per open container: nothing in it yet
  bool after_key_ = false;
};

// The text as a JSON string, quotes included.
std::string JsonQuoted(std::string_view utf8);

}  // namespace brindle
