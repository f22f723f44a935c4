// A small writer of JSON text for the programs' machine-readable output: objects, arrays,
// strings (UTF-8, escaped as JSON requires), integers and numbers. The caller nests the calls
// as the document nests; commas come by themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class TJsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next value, inside an object.
  void Key(std::string_view name);
  void String(std::string_view value);
  void Integer(std::int64_t value);
  // Finite numbers as the shortest text that reads back the same; others as null.
  void Number(double value);

  const std::string& Text() const { return text_; }

 private:
  void BeforeValue();

  std::string text_;
  std::vector<bool> first_;  // per open object or array: nothing written in it yet
  bool after_key_ = false;
};

// The JSON string literal of a UTF-8 text, quotes included.
std::string JsonQuoted(std::string_view text);

}  // namespace brindle
