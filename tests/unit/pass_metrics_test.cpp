// The metrics file's text: it parses as Prometheus text with the values of the passes. The
// brindle-sync tests see the file replaced after every pass.
#include "observe/pass_metrics.h"

#include <gtest/gtest.h>

#include "tests/support/prometheus_text.h"

namespace brindle {
namespace {

constexpr double kSecond = 1.0 / 86400;

TDateTime At(int hour, int minute, int second) {
  return EncodeDateTime({2024, 5, 17, hour, minute, second, 0});
}

TTableResult Table(const std::string& name, TDateTime mark_after, std::int64_t inserted,
                   bool failed = false) {
  TTableResult table;
  table.Table = name;
  table.MarkAfter = mark_after;
  table.Inserted = inserted;
  table.Failed = failed;
  return table;
}

testing::PrometheusText Parsed(const std::string& text) {
  testing::PrometheusText parsed = testing::ParsePrometheusText(text);
  for (const std::string& error : parsed.errors) ADD_FAILURE() << error << "\n" << text;
  return parsed;
}

TEST(PassMetrics, PassesGiveLagRowsDurationFailuresAndSuccess) {
  TPassMetrics metrics(At(9, 0, 0));
  TPassResult first;
  first.Started = At(10, 0, 0);
  first.Finished = At(10, 0, 4);
  first.WorkClockOffset = -30 * kSecond;  // the working server is 30 s behind
  first.Tables = {Table("OFFICE", At(9, 59, 30), 3), Table("PC_CARD", At(9, 50, 0), 7, true),
                  Table("NEVER", 0, 0, true)};
  metrics.Add(first);

  testing::PrometheusText text = Parsed(metrics.Text(At(10, 0, 10), true));
  const auto lag = text.ByTable("brindle_table_lag_seconds");
  ASSERT_EQ(lag.size(), 2u) << "a table never complete up to any time has no lag";
  EXPECT_NEAR(lag.at("OFFICE"), 10, 1e-3);  // 10:00:10 here is 09:59:40 there
  EXPECT_NEAR(lag.at("PC_CARD"), 580, 1e-3);
  const auto rows = text.ByTable("brindle_table_rows_last_pass");
  EXPECT_EQ(rows.at("OFFICE"), 3);
  EXPECT_EQ(rows.at("PC_CARD"), 0) << "a failed table's rows were rolled back";
  EXPECT_NEAR(text.Value("brindle_pass_duration_seconds"), 4, 1e-3);
  EXPECT_EQ(text.Value("brindle_failed_passes"), 0);
  EXPECT_EQ(text.Value("brindle_copy_enabled"), 1);
  EXPECT_EQ(text.Value("brindle_last_success_timestamp_seconds"), UnixSeconds(At(10, 0, 4)));
  for (const auto& [name, type] : text.type) EXPECT_EQ(type, "gauge") << name;

  // A pass that failed before the tables keeps their figures and the last success.
  TPassResult failed;
  failed.Status = TPassStatus::kFailed;
  failed.Started = At(10, 1, 0);
  failed.Finished = At(10, 1, 1);
  failed.FailedPasses = 3;
  metrics.Add(failed);
  text = Parsed(metrics.Text(At(10, 1, 10), false));
  EXPECT_NEAR(text.ByTable("brindle_table_lag_seconds").at("OFFICE"), 70, 1e-3);
  EXPECT_EQ(text.ByTable("brindle_table_rows_last_pass").at("OFFICE"), 3);
  EXPECT_NEAR(text.Value("brindle_pass_duration_seconds"), 1, 1e-3);
  EXPECT_EQ(text.Value("brindle_failed_passes"), 3);
  EXPECT_EQ(text.Value("brindle_copy_enabled"), 0);
  EXPECT_EQ(text.Value("brindle_last_success_timestamp_seconds"), UnixSeconds(At(10, 0, 4)));
}

TEST(PassMetrics, NoSuccessKnownIsZero) {
  const testing::PrometheusText text = Parsed(TPassMetrics().Text(At(10, 0, 0), true));
  EXPECT_EQ(text.Value("brindle_last_success_timestamp_seconds"), 0);
  EXPECT_TRUE(text.ByTable("brindle_table_lag_seconds").empty());
}

// The parser the tests rely on must itself refuse what the collector refuses.
TEST(PrometheusTextReader, RefusesMalformedLines) {
  const char* const bad[] = {
      "# HELP m x\n# TYPE m gauge\n1m 1\n",
      "# HELP m x\n# TYPE m gauge\nm{table=\"a} 1\n",
      "# HELP m x\n# TYPE m gauge\nm{ta-ble=\"a\"} 1\n",
      "# HELP m x\n# TYPE m gauge\nm{table=\"a\\x\"} 1\n",
      "# HELP m x\n# TYPE m gauge\nm one\n",
      "# HELP m x\n# TYPE m gauge\nm 1",
      "# TYPE m gauge\nm 1\n",
      "# HELP m x\nm 1\n",
      "# HELP m x\n# TYPE m meter\nm 1\n",
  };
  for (const char* text : bad) {
    EXPECT_FALSE(testing::ParsePrometheusText(text).errors.empty()) << text;
  }
  const auto good = testing::ParsePrometheusText(
      "# HELP m x\n# TYPE m gauge\nm{a=\"\\\"q\\\\\\n\",b=\"\"} -Inf\nm 1.5e3 1700000000\n");
  EXPECT_TRUE(good.errors.empty()) << good.errors.front();
  ASSERT_EQ(good.samples.size(), 2u);
  EXPECT_EQ(good.samples[0].labels.at("a"), "\"q\\\n");
  EXPECT_EQ(good.samples[1].value, 1500);
}

}  // namespace
}  // namespace brindle
