// Speed of replication against the private server, beside the raw figures of the data-access
// layer measured in the same run on the same table:
//   raw       rows of PC_LOGTRAN_BK read through a data set and inserted into another database
//             with one prepared statement in one transaction;
//   fill      the first fill of that table by a copy pass (all other tables empty);
//   unchanged a copy pass over 37 tables in which nothing changed, its look at the working
//             database's open transactions included;
//   look      that look alone;
// and the peak memory of the raw copy, of the fill and of the unchanged passes, for each row count,
// to show that it does not grow with them. Besides the table, every figure is printed as a RESULT
// line for scripts/bench.
//
//   replication_bench [rows ...]      default: 100000 1000000
// scripts/bench-replication starts the server and runs this.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_figures.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "replication/copy_pass.h"
#include "replication/copy_thread.h"
#include "replication/write_horizon.h"
#include "schema/replicated_tables.h"
#include "tests/support/sample_data.h"

namespace {

using namespace brindle;
using bench::Clock;
using bench::ResetPeak;
using bench::Seconds;
using bench::StatusKb;

void PrintResult(const std::string& keys, const char* name, double value, const char* unit) {
  bench::PrintResult("replication", keys, name, value, unit);
}

std::string Port() {
  const char* port = std::getenv("FB_PORT");
  return port && *port ? port : "30050";
}

std::string ConnStr(const std::string& path) {
  return "127.0.0.1/" + Port() + ":" + path;
}

ibx::TIBDatabase Connect(const std::string& conn_str) {
  ibx::TIBDatabase db;
  db.SetDatabaseName(conn_str);
  db.SetPassword("rivetcode");
  db.Open();
  return db;
}

// Reads every row of the table from one database and inserts it into another, the plain way.
// Returns the number of columns.
std::size_t RawCopy(ibx::TIBDatabase& from, ibx::TIBDatabase& to, const std::string& table) {
  ibx::TIBDataSet source(from);
  source.SetSelectSQL("SELECT * FROM \"" + table + "\"");
  source.Open();
  std::string cols, values;
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    cols += (i ? ",\"" : "\"") + source.Fields(i).FieldName() + "\"";
    values += (i ? ",:" : ":") + source.Fields(i).FieldName();
  }
  ibx::TIBTransaction transaction(to, ibx::TIBTransactionKind::ReadWrite);
  ibx::TIBDataSet insert(to, &transaction);
  insert.SetSelectSQL("INSERT INTO \"" + table + "\" (" + cols + ") VALUES (" + values + ")");
  long rows = 0;
  for (; !source.Eof(); source.Next(), ++rows) {
    for (std::size_t i = 0; i < source.FieldCount(); ++i) {
      insert.Params(i).SetAsVariant(source.Fields(i).AsVariant());
    }
    insert.ExecSQL();
  }
  transaction.Commit();
  return source.FieldCount();
}

void Drop(const std::string& conn_str) {
  Connect(conn_str).DropDatabase();
}

// One copy pass; a failure ends the benchmark.
void Pass(TFyrn& fyrn, const TCopySettings& settings, TCopyDBThread& thread, TPassMemory& memory) {
  const TPassResult result = RunCopyPass(fyrn, settings, thread, memory);
  if (result.Status != TPassStatus::kCompleted) {
    std::fprintf(stderr, "copy pass failed: %s\n",
                 result.Error ? result.Error->Text.c_str() : "skipped");
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atol(argv[i]));
  if (counts.empty()) counts = {100000, 1000000};

  std::string dir = std::filesystem::temp_directory_path().string() + "/brindle-bench-XXXXXX";
  if (!mkdtemp(dir.data())) return 1;
  setenv("ZEMT_ROOT", (dir + "/root/").c_str(), 1);
  std::filesystem::create_directories(dir + "/root/LogFiles");
  std::filesystem::create_symlink(ProgramFolder() + "libOstrel.so", SuitePath("libOstrel.so"));
  TFyrn fyrn;
  InstallFyrn(&fyrn);
  TCopyDBThread thread([](TCopyDBThread&) {}, [] { return 60; });
  TPassMemory memory;
  TCopySettings settings;
  settings.WorkDBPassword = settings.CopyDBPassword = "rivetcode";
  const std::string table = "PC_LOGTRAN_BK";

  std::printf("%10s %14s %14s %14s %8s %12s %12s %12s\n", "rows", "insert rows/s", "raw rows/s",
              "fill rows/s", "fill/raw", "RSS KB", "raw peak KB", "fill peak KB");
  for (const long rows : counts) {
    const std::string work = ConnStr(dir + "/work.fdb"), copy = ConnStr(dir + "/copy.fdb"),
                      raw = ConnStr(dir + "/raw.fdb");
    for (const auto& db : {work, copy, raw}) VerifyOfficeDB(db, "rivetcode");
    double insert_rate = 0, raw_rate = 0;
    long raw_peak = 0;
    std::size_t columns = 0;
    {
      auto source = Connect(work);
      auto start = Clock::now();
      testing::InsertSampleRows(source, table, "ID", 0, static_cast<std::int32_t>(rows));
      insert_rate = rows / Seconds(start);
      auto target = Connect(raw);
      ResetPeak();
      start = Clock::now();
      columns = RawCopy(source, target, table);
      raw_rate = rows / Seconds(start);
      raw_peak = StatusKb("VmHWM");
    }
    settings.WorkDBConnStr = work;
    settings.CopyDBConnStr = copy;
    const long rss = StatusKb("VmRSS");
    ResetPeak();
    const auto start = Clock::now();
    Pass(fyrn, settings, thread, memory);
    const double fill_rate = rows / Seconds(start);
    const long fill_peak = StatusKb("VmHWM");
    std::printf("%10ld %14.0f %14.0f %14.0f %7.0f%% %12ld %12ld %12ld\n", rows, insert_rate,
                raw_rate, fill_rate, 100 * fill_rate / raw_rate, rss, raw_peak, fill_peak);
    const std::string keys = "table=" + table + " rows=" + std::to_string(rows);
    PrintResult(keys, "columns", static_cast<double>(columns), "count");
    PrintResult(keys, "insert_rate", insert_rate, "rows/s");
    PrintResult(keys, "raw_rate", raw_rate, "rows/s");
    PrintResult(keys, "fill_rate", fill_rate, "rows/s");
    PrintResult(keys, "rss_before_fill", static_cast<double>(rss), "KB");
    PrintResult(keys, "raw_peak", static_cast<double>(raw_peak), "KB");
    PrintResult(keys, "fill_peak", static_cast<double>(fill_peak), "KB");
    std::fflush(stdout);
    for (const auto& db : {work, copy, raw}) Drop(db);
  }

  // A pass over tables in which nothing changed in the last ten minutes.
  const std::string work = ConnStr(dir + "/work2.fdb"), copy = ConnStr(dir + "/copy2.fdb");
  VerifyOfficeDB(work, "rivetcode");
  VerifyOfficeDB(copy, "rivetcode");
  const int rows_per_table = 100;
  {
    auto source = Connect(work);
    testing::FillReplicatedTables(source, rows_per_table);
    for (const ReplicatedTable& entry : ReplicatedTables()) {
      testing::ExecuteCommitted(source, "UPDATE \"" + std::string(entry.table) +
                                            "\" SET MODIFYDATE = DATEADD(-1 HOUR TO "
                                            "CURRENT_TIMESTAMP)");
    }
  }
  settings.WorkDBConnStr = work;
  settings.CopyDBConnStr = copy;
  Pass(fyrn, settings, thread, memory);
  std::vector<double> times;
  ResetPeak();
  for (int i = 0; i < 7; ++i) {
    const auto start = Clock::now();
    Pass(fyrn, settings, thread, memory);
    times.push_back(Seconds(start) * 1000);
  }
  const long unchanged_peak = StatusKb("VmHWM");
  std::sort(times.begin(), times.end());
  const int tables = static_cast<int>(ReplicatedTables().size());
  std::printf("unchanged pass over %d tables: median %.0f ms (min %.0f, max %.0f), peak %ld KB\n",
              tables, times[times.size() / 2], times.front(), times.back(), unchanged_peak);
  const std::string keys = "step=unchanged_pass";
  PrintResult(keys, "tables", tables, "count");
  PrintResult(keys, "rows_per_table", rows_per_table, "count");
  PrintResult(keys, "passes", static_cast<double>(times.size()), "count");
  PrintResult(keys, "median", times[times.size() / 2], "ms");
  PrintResult(keys, "min", times.front(), "ms");
  PrintResult(keys, "max", times.back(), "ms");
  PrintResult(keys, "peak", static_cast<double>(unchanged_peak), "KB");

  // The look at the open transactions that every pass takes before its tables.
  {
    auto source = Connect(work);
    constexpr int kLooks = 100;
    std::optional<TWriteHorizon> previous;
    const auto start = Clock::now();
    for (int i = 0; i < kLooks; ++i) {
      previous = ReadWriteHorizon(source, ReplicatedTables(), previous ? &*previous : nullptr);
    }
    const double look_ms = Seconds(start) * 1000 / kLooks;
    std::printf("look at the open transactions: %.2f ms\n", look_ms);
    PrintResult("step=horizon_look", "mean", look_ms, "ms");
  }
  Drop(work);
  Drop(copy);
  InstallFyrn(nullptr);
  std::filesystem::remove_all(dir);
  return 0;
}
