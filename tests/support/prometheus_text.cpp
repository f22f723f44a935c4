#include "tests/support/prometheus_text.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace brindle::testing {

namespace {

bool NameStart(char c, bool colon) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colon && c == ':');
}
bool NameChar(char c, bool colon) {
  return NameStart(c, colon) || (c >= '0' && c <= '9');
}

// Reads a name at text[pos]; empty when there is none.
std::string Name(const std::string& text, std::size_t& pos, bool colon) {
  const std::size_t start = pos;
  if (pos < text.size() && NameStart(text[pos], colon)) {
    while (pos < text.size() && NameChar(text[pos], colon)) ++pos;
  }
  return text.substr(start, pos - start);
}

bool Number(const std::string& text, double& value) {
  if (text == "NaN") return value = std::nan(""), true;
  if (text == "+Inf") return value = HUGE_VAL, true;
  if (text == "-Inf") return value = -HUGE_VAL, true;
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

// What is wrong with a sample line; empty when it is valid.
std::string ParseSample(const std::string& line, PrometheusSample& sample) {
  std::size_t pos = 0;
  sample.name = Name(line, pos, true);
  if (sample.name.empty()) return "no metric name";
  if (pos < line.size() && line[pos] == '{') {
    ++pos;
    while (pos < line.size() && line[pos] != '}') {
      const std::string label = Name(line, pos, false);
      if (label.empty()) return "bad label name";
      if (line.compare(pos, 2, "=\"") != 0) return "label " + label + " without =\"";
      pos += 2;
      std::string value;
      for (; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] != '\\') {
          value += line[pos];
          continue;
        }
        const char escaped = ++pos < line.size() ? line[pos] : '\0';
        if (escaped == 'n') {
          value += '\n';
        } else if (escaped == '\\' || escaped == '"') {
          value += escaped;
        } else {
          return "bad escape in label " + label;
        }
      }
      if (pos >= line.size()) return "unterminated label value";
      ++pos;
      if (!sample.labels.emplace(label, value).second) return "label " + label + " twice";
      if (pos < line.size() && line[pos] == ',') ++pos;
    }
    if (pos >= line.size()) return "unterminated labels";
    ++pos;
  }
  if (pos >= line.size() || line[pos] != ' ') return "no blank before the value";
  std::istringstream rest(line.substr(pos));
  std::string value, timestamp, extra;
  rest >> value >> timestamp >> extra;
  if (!Number(value, sample.value)) return "bad value \"" + value + "\"";
  if (!extra.empty()) return "text after the timestamp";
  double ignored = 0;
  if (!timestamp.empty() && !Number(timestamp, ignored)) return "bad timestamp";
  return {};
}

}  // namespace

PrometheusText ParsePrometheusText(const std::string& text) {
  PrometheusText result;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    auto fail = [&](const std::string& what) {
      result.errors.push_back("line " + std::to_string(number) + ": " + what + ": " + line);
    };
    if (line.empty()) continue;
    if (line[0] == '#') {
      std::istringstream words(line);
      std::string hash, keyword, name;
      words >> hash >> keyword >> name;
      if (keyword != "HELP" && keyword != "TYPE") continue;
      std::size_t pos = 0;
      if (Name(name, pos, true) != name || name.empty()) {
        fail("bad metric name");
        continue;
      }
      std::string rest;
      std::getline(words, rest);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
      if (keyword == "TYPE" && rest != "counter" && rest != "gauge" && rest != "histogram" &&
          rest != "summary" && rest != "untyped") {
        fail("bad type");
      }
      auto& known = keyword == "HELP" ? result.help : result.type;
      if (!known.emplace(name, rest).second) fail(keyword + " twice");
      continue;
    }
    PrometheusSample sample;
    if (const std::string error = ParseSample(line, sample); !error.empty()) {
      fail(error);
      continue;
    }
    if (!result.help.contains(sample.name)) fail("no HELP before the sample");
    if (!result.type.contains(sample.name)) fail("no TYPE before the sample");
    result.samples.push_back(std::move(sample));
  }
  if (!text.empty() && text.back() != '\n') result.errors.push_back("no line feed at the end");
  return result;
}

std::map<std::string, double> PrometheusText::ByTable(const std::string& name) const {
  std::map<std::string, double> values;
  for (const PrometheusSample& sample : samples) {
    if (sample.name != name) continue;
    const auto table = sample.labels.find("table");
    if (table != sample.labels.end()) values[table->second] = sample.value;
  }
  return values;
}

double PrometheusText::Value(const std::string& name) const {
  for (const PrometheusSample& sample : samples) {
    if (sample.name == name && sample.labels.empty()) return sample.value;
  }
  return std::nan("");
}

}  // namespace brindle::testing
