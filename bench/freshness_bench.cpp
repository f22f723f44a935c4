// Freshness of the copy while the scheduled check goes round it in slices between the passes,
// beside the same run with the schedule off. PC_LOGTRAN_BK of the working database holds the
// largest row count given, stamped a day back, and the copy is filled by a first pass. Then, for
// a window of --window seconds (default 60), a writer inserts 200 rows a second into it (20 every
// 100 ms, each batch committed) while the copy engine copies every 5 s, once without the schedule
// and once with it (a round as soon as one may start, no repair, slices of 3 s). Both windows
// start alike: after each, a pass copies what is left and both databases stamp the writer's rows
// a day back, out of the overlap every pass reads again. Measured in each window:
//   lag        sampled every 500 ms: the working server's CURRENT_TIMESTAMP less the time up to
//              which the copy records PC_LOGTRAN_BK as complete, the lag the copy owns to;
//   behind     at the same samples, how long ago the oldest batch the copy does not hold yet was
//              committed (0 when it holds every one): what a reader of the copy misses, without
//              trusting the record;
//   pass delay for each pass but the first, how much later it started than due (the previous
//              pass's end plus the period);
//   check      with the schedule on: the rows the slices that began in the window compared, per
//              second of slicing and of the window, the slices and the longest, and the rounds
//              that went through every table, with their time and slices; a new round begins at
//              the first slice after one ended, so that a round is under way or due at every pass
//              of the window.
// Baseline of the check: a round of slices back to back after the windows, with no pass and no
// writer. Every figure is also printed as a RESULT line for scripts/bench.
//
//   freshness_bench [--window SECONDS] [--rate ROWS] [--only-off] [rows ...]
//     default: 60 s, 200 rows a second, both windows, and the largest of 100000 1000000;
//     --only-off measures the window without the schedule alone (scripts/bench-lag)
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_figures.h"
#include "bench/copy_bench_setup.h"
#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "replication/check/sliced_check.h"
#include "replication/copy_engine.h"
#include "replication/copy_record.h"
#include "replication/server_clock.h"
#include "tests/support/sample_data.h"

namespace {

using namespace brindle;
using namespace std::chrono_literals;
using bench::Clock;
using bench::Connect;
using bench::Seconds;

constexpr char kTable[] = "PC_LOGTRAN_BK";
// Rows a batch of the writer inserts: --rate / 10.
std::int32_t batch_rows = 20;
constexpr auto kBatchEvery = 100ms;
constexpr std::int32_t kPeriod = 5;
constexpr double kSliceSeconds = 3;
constexpr auto kSampleEvery = 500ms;
// Any positive value turns the schedule on; one this small lets a new round begin at the first
// slice after one ended.
constexpr double kRoundEveryHours = 1e-9;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Nearest rank; 0 for no values.
double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(share * values.size()));
  return values[std::max<std::size_t>(rank, 1) - 1];
}

double Mean(const std::vector<double>& values) {
  return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

// Moves every row of the table stamped in the last hour a day back.
void StampBack(const std::string& conn_str) {
  auto db = Connect(conn_str);
  testing::ExecuteCommitted(db, std::string("UPDATE ") + kTable +
                                    " SET MODIFYDATE = DATEADD(-1 DAY TO MODIFYDATE) WHERE "
                                    "MODIFYDATE > DATEADD(-1 HOUR TO CURRENT_TIMESTAMP)");
}

// A batch the writer committed: its last key and when the commit returned.
struct TBatch {
  std::int32_t last_key;
  Clock::time_point committed;
};

// Inserts batch_rows rows every kBatchEvery into the working table from `first_key` on, each
// batch committed. The batches keep to their times, a late one followed by the next at once, so
// that a busy server does not lower the rate the passes have to keep up with.
class TWriter {
 public:
  TWriter(const std::string& conn_str, std::int32_t first_key)
      : key_(first_key), started_(Clock::now()), thread_([this, conn_str] { Run(conn_str); }) {}
  ~TWriter() { Stop(); }

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // The batch `index` in commit order, once it is committed.
  std::optional<TBatch> Batch(std::size_t index) const {
    const std::lock_guard lock(mutex_);
    if (index >= batches_.size()) return std::nullopt;
    return batches_[index];
  }
  std::int32_t NextKey() const { return key_; }
  double Rate() const {
    const std::lock_guard lock(mutex_);
    if (batches_.empty()) return 0;
    return batches_.size() * batch_rows / Seconds(started_, batches_.back().committed);
  }

 private:
  void Run(const std::string& conn_str) {
    try {
      auto db = Connect(conn_str);
      auto next = Clock::now();
      while (!stop_) {
        testing::InsertSampleRows(db, kTable, "ID", key_, batch_rows);
        key_ += batch_rows;
        {
          const std::lock_guard lock(mutex_);
          batches_.push_back({key_ - 1, Clock::now()});
        }
        next += kBatchEvery;
        std::this_thread::sleep_until(next);
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "the writer failed: %s\n", e.what());
      std::exit(1);
    }
  }

  std::atomic<std::int32_t> key_;
  const Clock::time_point started_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<TBatch> batches_;
  std::thread thread_;  // last: starts once everything else is built
};

struct TPass {
  TPassResult result;
  Clock::time_point heard;  // when the observer heard of it
};

struct TSlice {
  Clock::time_point start;
  double seconds = 0;
  std::int64_t compared = 0;
  bool round_began = false;
  std::optional<TCheckResult> round_ended;
  std::string error;
};

struct TWindow {
  Clock::time_point start, end;
  double seconds = 0;
  double write_rate = 0;
  std::vector<double> lag, behind, pass_delay, pass_seconds;
  int passes_not_completed = 0;
  std::vector<TSlice> slices;  // every slice of the engine's run, in the window or not
};

// The slices of a run: those that began in the window, and the rounds that went through every
// table.
struct TCheckFigures {
  int slices = 0;
  int failed = 0;  // of every slice of the run
  std::int64_t compared = 0;
  double slicing = 0, longest = 0;
  std::vector<double> round_seconds, round_slices;
  std::int64_t found = 0;  // by those rounds
};

TCheckFigures SumUp(const TWindow& window) {
  TCheckFigures figures;
  std::optional<Clock::time_point> round_start;
  int slices_in_round = 0;
  for (const TSlice& slice : window.slices) {
    if (slice.round_began) {
      round_start = slice.start;
      slices_in_round = 0;
    }
    ++slices_in_round;
    if (!slice.error.empty()) {
      ++figures.failed;
      std::fprintf(stderr, "a slice failed: %s\n", slice.error.c_str());
    }
    // The round the end of the window stops is no round's time.
    if (slice.round_ended && slice.round_ended->Completed()) {
      figures.found += slice.round_ended->Found();
      if (round_start) {
        figures.round_seconds.push_back(Seconds(*round_start, slice.start) + slice.seconds);
        figures.round_slices.push_back(slices_in_round);
      }
    }
    if (slice.round_ended) round_start.reset();
    if (slice.start < window.start || slice.start >= window.end) continue;
    ++figures.slices;
    figures.compared += slice.compared;
    figures.slicing += slice.seconds;
    figures.longest = std::max(figures.longest, slice.seconds);
  }
  return figures;
}

// The writer writes and the engine copies; once the engine's first pass has caught up with the
// rows written before it, the window's samples begin.
TWindow RunWindow(bench::TCopyBench& suite, TCopySettings settings, bool schedule,
                  std::int32_t& next_key, double window_seconds) {
  settings.CheckPeriod = kPeriod;
  settings.CheckEveryHours = schedule ? kRoundEveryHours : 0;
  settings.CheckRepair = false;
  settings.CheckSliceSeconds = kSliceSeconds;
  TWindow window;
  std::mutex mutex;  // guards passes and window.slices
  std::vector<TPass> passes;
  TWriter writer(settings.WorkDBConnStr, next_key);
  TSlicedCheck sliced(suite.Fyrn());
  {
    TCopyEngine engine(suite.Fyrn(), settings, [&](const TPassResult& result) {
      const std::lock_guard lock(mutex);
      passes.push_back({result, Clock::now()});
    });
    if (schedule) {
      engine.SetBetweenPasses([&](const TCopySettings& now) {
        const TRoundState before = sliced.State();
        TSlice slice;
        slice.start = Clock::now();
        const bool more = sliced.RunSlice(now);
        slice.seconds = Seconds(slice.start);
        const TRoundState after = sliced.State();
        slice.round_ended = sliced.TakeFinished();
        if (!before.Running && !after.Running && !slice.round_ended) return more;
        slice.round_began = !before.Running;
        const std::int64_t from = before.Running ? before.SoFar.Compared() : 0;
        slice.compared =
            (slice.round_ended ? slice.round_ended->Compared() : after.SoFar.Compared()) - from;
        slice.error = after.LastError;
        const std::lock_guard lock(mutex);
        window.slices.push_back(std::move(slice));
        return more;
      });
    }
    engine.SetCopyEnabled(true);
    engine.WakeUp();
    for (const auto give_up = Clock::now() + 10min;;) {
      {
        const std::lock_guard lock(mutex);
        if (!passes.empty()) break;
      }
      if (Clock::now() > give_up) {
        std::fprintf(stderr, "no pass ended in ten minutes\n");
        std::exit(1);
      }
      std::this_thread::sleep_for(20ms);
    }

    auto work = Connect(settings.WorkDBConnStr);
    auto copy = Connect(settings.CopyDBConnStr);
    ibx::TIBDataSet probe(copy);
    probe.SetSelectSQL(std::string("SELECT 1 FROM ") + kTable + " WHERE ID = :ID");
    const auto holds = [&](std::int32_t key) {
      probe.ParamByName("ID").SetAsInteger(key);
      probe.Open();
      const bool found = !probe.Eof();
      probe.Close();
      return found;
    };
    std::size_t seen = 0;  // batches the copy is known to hold
    window.start = Clock::now();
    const auto end = window.start + std::chrono::duration<double>(window_seconds);
    for (auto tick = window.start; tick < end; tick += kSampleEvery) {
      std::this_thread::sleep_until(tick);
      // The record first and the clock after, so that a pass ending in between makes the lag
      // look longer, never shorter.
      const TCopyFreshness record = ReadCopyFreshness(
          *suite.Fyrn().OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword));
      const TDateTime work_now = ServerTime(suite.Fyrn(), work);
      for (const TTableFreshness& table : record.Tables) {
        if (table.Table != kTable) continue;
        const std::optional<double> lag = LagSeconds(table.CompleteAsOf, work_now);
        if (!lag) {
          std::fprintf(stderr, "the copy records no complete-as-of time for %s\n", kTable);
          std::exit(1);
        }
        window.lag.push_back(*lag);
      }
      const auto now = Clock::now();
      std::optional<TBatch> oldest;
      while ((oldest = writer.Batch(seen)) && holds(oldest->last_key)) ++seen;
      window.behind.push_back(oldest ? Seconds(oldest->committed, now) : 0);
    }
    window.end = Clock::now();
    window.seconds = Seconds(window.start, window.end);
    sliced.Stop();
  }
  writer.Stop();
  window.write_rate = writer.Rate();
  next_key = writer.NextKey();
  // The engine has ended: what it heard is all there is.
  for (std::size_t i = 1; i < passes.size(); ++i) {
    const TPassResult& pass = passes[i].result;
    if (passes[i].heard < window.start || passes[i].heard > window.end) continue;
    window.pass_delay.push_back((pass.Started - passes[i - 1].result.Finished) * kSecondsPerDay -
                                kPeriod);
    window.pass_seconds.push_back((pass.Finished - pass.Started) * kSecondsPerDay);
    window.passes_not_completed += pass.Status != TPassStatus::kCompleted;
  }
  return window;
}

}  // namespace

int main(int argc, char** argv) {
  double window_seconds = 60;
  double rate = 200;
  bool only_off = false;
  std::vector<char*> args{argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--window") == 0 && i + 1 < argc) {
      window_seconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
      rate = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--only-off") == 0) {
      only_off = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  const std::vector<long> counts = bench::RowCounts(static_cast<int>(args.size()), args.data());
  const long rows = *std::max_element(counts.begin(), counts.end());
  batch_rows = static_cast<std::int32_t>(std::lround(rate / 10));
  if (window_seconds < 1 || rows < 1 || batch_rows < 1) {
    std::fprintf(
        stderr,
        "usage: freshness_bench [--window SECONDS] [--rate ROWS] [--only-off] [rows ...]\n");
    return 2;
  }

  bench::TCopyBench suite("brindle-freshness");
  TCopySettings settings = suite.NewDatabases("work.fdb", "copy.fdb");
  {
    auto work = Connect(settings.WorkDBConnStr);
    testing::InsertSampleRows(work, kTable, "ID", 0, static_cast<std::int32_t>(rows));
  }
  // A day back, as a large table's rows are: every pass reads the last ten minutes again (the
  // overlap), which would be the whole of a table written just now.
  StampBack(settings.WorkDBConnStr);
  suite.Pass(settings);

  std::int32_t next_key = static_cast<std::int32_t>(rows);
  std::vector<std::pair<const char*, TWindow>> windows;
  for (const bool schedule : {false, true}) {
    if (schedule && only_off) break;
    windows.emplace_back(schedule ? "on" : "off",
                         RunWindow(suite, settings, schedule, next_key, window_seconds));
    // The next window starts as this one did; the copy's rows keep the working stamps.
    suite.Pass(settings);
    StampBack(settings.WorkDBConnStr);
    StampBack(settings.CopyDBConnStr);
  }

  // The baseline: a round alone.
  settings.CheckSliceSeconds = kSliceSeconds;
  TSlicedCheck alone(suite.Fyrn());
  alone.RequestRound(false);
  int alone_slices = 1;
  const auto alone_start = Clock::now();
  while (alone.RunSlice(settings)) ++alone_slices;
  const double alone_seconds = Seconds(alone_start);
  const std::optional<TCheckResult> alone_round = alone.TakeFinished();
  if (!alone_round || alone_round->Failed()) {
    std::fprintf(
        stderr, "the round alone failed: %s\n",
        alone_round ? CheckSummaryText(*alone_round).c_str() : alone.State().LastError.c_str());
    return 1;
  }

  const std::string rows_key = "rows=" + std::to_string(rows);
  const auto result = [&](const std::string& keys, const char* name, double value,
                          const char* unit) {
    bench::PrintResult("freshness", rows_key + (keys.empty() ? "" : " " + keys), name, value, unit);
  };
  std::printf(
      "%ld rows in %s, batches of %d rows every %lld ms, a pass every %d s, windows of "
      "%.0f s; seconds:\n",
      rows, kTable, batch_rows, static_cast<long long>(kBatchEvery.count()), kPeriod,
      window_seconds);
  std::printf("%-8s %8s %6s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n", "schedule", "rows/s",
              "passes", "pass", "lag p50", "p95", "max", "bhd p50", "p95", "max", "dly p50", "p95",
              "max");
  int status = 0;
  for (const auto& [name, w] : windows) {
    std::printf("%-8s %8.0f %6zu %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f\n",
                name, w.write_rate, w.pass_delay.size(), Mean(w.pass_seconds),
                Percentile(w.lag, 0.5), Percentile(w.lag, 0.95), Percentile(w.lag, 1),
                Percentile(w.behind, 0.5), Percentile(w.behind, 0.95), Percentile(w.behind, 1),
                Percentile(w.pass_delay, 0.5), Percentile(w.pass_delay, 0.95),
                Percentile(w.pass_delay, 1));
    const std::string keys = std::string("schedule=") + name;
    result(keys, "sampled", w.seconds, "s");
    result(keys, "write_rate", w.write_rate, "rows/s");
    result(keys, "samples", static_cast<double>(w.lag.size()), "count");
    result(keys, "passes", static_cast<double>(w.pass_delay.size()), "count");
    result(keys, "pass_mean", Mean(w.pass_seconds), "s");
    result(keys, "pass_max", Percentile(w.pass_seconds, 1), "s");
    for (const auto& [figure, values] :
         {std::pair{"lag", &w.lag}, {"behind", &w.behind}, {"pass_delay", &w.pass_delay}}) {
      result(keys, (std::string(figure) + "_p50").c_str(), Percentile(*values, 0.5), "s");
      result(keys, (std::string(figure) + "_p95").c_str(), Percentile(*values, 0.95), "s");
      result(keys, (std::string(figure) + "_max").c_str(), Percentile(*values, 1), "s");
    }
    if (w.passes_not_completed > 0) {
      std::fprintf(stderr, "schedule %s: %d passes did not complete\n", name,
                   w.passes_not_completed);
      status = 1;
    }
  }

  if (only_off) {
    std::fflush(stdout);
    for (const auto& db : {settings.WorkDBConnStr, settings.CopyDBConnStr}) bench::Drop(db);
    return status;
  }
  const TWindow& on = windows.back().second;
  const TCheckFigures check = SumUp(on);
  const double check_rate = check.slicing > 0 ? check.compared / check.slicing : 0;
  const double alone_rate = alone_round->Compared() / alone_seconds;
  std::printf(
      "check in the window: %lld rows compared in %d slices, %.1f s of slicing (%.0f%% of the "
      "window, longest slice %.2f s): %.0f rows/s while slicing, %.0f rows/s over the window\n",
      static_cast<long long>(check.compared), check.slices, check.slicing,
      100 * check.slicing / on.seconds, check.longest, check_rate, check.compared / on.seconds);
  std::printf(
      "rounds through every table: %zu, %.1f s and %.1f slices each on average, the longest "
      "%.1f s; %lld differences found\n",
      check.round_seconds.size(), Mean(check.round_seconds), Mean(check.round_slices),
      Percentile(check.round_seconds, 1), static_cast<long long>(check.found));
  std::printf("a round alone: %lld rows compared in %d slice(s), %.1f s: %.0f rows/s\n",
              static_cast<long long>(alone_round->Compared()), alone_slices, alone_seconds,
              alone_rate);
  result("", "window", window_seconds, "s");
  result("", "period", kPeriod, "s");
  result("", "slice_limit", kSliceSeconds, "s");
  result("schedule=on", "check_rows", static_cast<double>(check.compared), "count");
  result("schedule=on", "check_rate", check_rate, "rows/s");
  result("schedule=on", "check_window_rate", check.compared / on.seconds, "rows/s");
  result("schedule=on", "slices", check.slices, "count");
  result("schedule=on", "slicing", check.slicing, "s");
  result("schedule=on", "slice_max", check.longest, "s");
  result("schedule=on", "rounds", static_cast<double>(check.round_seconds.size()), "count");
  result("schedule=on", "round_mean", Mean(check.round_seconds), "s");
  result("schedule=on", "round_max", Percentile(check.round_seconds, 1), "s");
  result("schedule=on", "round_slices", Mean(check.round_slices), "count");
  result("schedule=on", "check_found", static_cast<double>(check.found), "count");
  result("step=alone", "check_rows", static_cast<double>(alone_round->Compared()), "count");
  result("step=alone", "check_rate", alone_rate, "rows/s");
  result("step=alone", "slices", alone_slices, "count");
  result("step=alone", "round_seconds", alone_seconds, "s");
  if (check.failed > 0 || check.slices == 0) {
    std::fprintf(stderr, "%d slices failed, %d began in the window\n", check.failed, check.slices);
    status = 1;
  }
  std::fflush(stdout);
  for (const auto& db : {settings.WorkDBConnStr, settings.CopyDBConnStr}) bench::Drop(db);
  return status;
}
