#include "infra/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace brindle {

namespace {

// The length of the valid UTF-8 sequence at text[pos], 0 when there is none: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t ValidSequenceAt(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (pos + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string JsonQuoted(std::string_view utf8) {
  std::string out = "\"";
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t length = ValidSequenceAt(utf8, pos);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++pos;
      continue;
    }
    const char c = utf8[pos];
    if (length > 1) {
      out.append(utf8.substr(pos, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
    pos += length;
  }
  return out + "\"";
}

void TJsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!empty_.empty()) {
    if (!empty_.back()) text_ += ',';
    empty_.back() = false;
  }
}

TJsonWriter& TJsonWriter::BeginObject() {
  BeforeValue();
  text_ += '{';
  empty_.push_back(true);
  return *this;
}

TJsonWriter& TJsonWriter::EndObject() {
  text_ += '}';
  empty_.pop_back();
  return *this;
}

TJsonWriter& TJsonWriter::BeginArray() {
  BeforeValue();
  text_ += '[';
  empty_.push_back(true);
  return *this;
}

TJsonWriter& TJsonWriter::EndArray() {
  text_ += ']';
  empty_.pop_back();
  return *this;
}

TJsonWriter& TJsonWriter::Key(std::string_view name) {
  BeforeValue();
  text_ += JsonQuoted(name);
  text_ += ':';
  after_key_ = true;
  return *this;
}

TJsonWriter& TJsonWriter::String(std::string_view value) {
  BeforeValue();
  text_ += JsonQuoted(value);
  return *this;
}

TJsonWriter& TJsonWriter::Int(std::int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
  return *this;
}

TJsonWriter& TJsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  text_.append(buffer, end);
  return *this;
}

TJsonWriter& TJsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
  return *this;
}

TJsonWriter& TJsonWriter::Null() {
  BeforeValue();
  text_ += "null";
  return *this;
}

}  // namespace brindle
