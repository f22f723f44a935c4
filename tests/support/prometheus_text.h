// A strict reader of the Prometheus text format, as node_exporter's textfile collector takes it,
// for tests: every line is blank, a comment ("# HELP name text", "# TYPE name type", any other
// "# ..."), or a sample `name{label="value",...} value`. Names match [a-zA-Z_:][a-zA-Z0-9_:]*,
// label names [a-zA-Z_][a-zA-Z0-9_]*; label values are quoted, with \\, \" and \n escapes; a value
// is a number, NaN, +Inf or -Inf. Every sample's metric must have had its HELP and TYPE lines.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace brindle::testing {

struct PrometheusSample {
  std::string name;
  std::map<std::string, std::string> labels;
  double value = 0;
};

struct PrometheusText {
  std::vector<PrometheusSample> samples;
  std::map<std::string, std::string> help, type;  // by metric name
  std::vector<std::string> errors;                // "line N: what is wrong"; empty when valid

  // The samples of a metric with the label `table`, by table.
  std::map<std::string, double> ByTable(const std::string& name) const;
  // The one sample of a metric without labels; NaN when there is none.
  double Value(const std::string& name) const;
};

PrometheusText ParsePrometheusText(const std::string& text);

}  // namespace brindle::testing
