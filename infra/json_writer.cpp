#include "infra/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace brindle {

std::string JsonQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void TJsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) text_ += ", ";
    first_.back() = false;
  }
}

void TJsonWriter::BeginObject() {
  BeforeValue();
  text_ += "{";
  first_.push_back(true);
}

void TJsonWriter::EndObject() {
  first_.pop_back();
  text_ += "}";
}

void TJsonWriter::BeginArray() {
  BeforeValue();
  text_ += "[";
  first_.push_back(true);
}

void TJsonWriter::EndArray() {
  first_.pop_back();
  text_ += "]";
}

void TJsonWriter::Key(std::string_view name) {
  BeforeValue();
  text_ += JsonQuoted(name) + ": ";
  after_key_ = true;
}

void TJsonWriter::String(std::string_view value) {
  BeforeValue();
  text_ += JsonQuoted(value);
}

void TJsonWriter::Integer(std::int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void TJsonWriter::Number(double value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    text_ += "null";
    return;
  }
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text_.append(digits, end);
}

}  // namespace brindle
