// Speed of replication against the private server, beside the raw figures of the data-access
// layer measured in the same run on the same table:
//   raw       rows of PC_LOGTRAN_BK read through a data set and inserted into another database
//             with one prepared statement in one transaction;
//   engine    the server's own insert rate into that table, its trigger and indexes included:
//             an EXECUTE BLOCK loop that inserts the raw copy's rows again under new keys, with
//             no client round trips (into a table that already holds them, so a little slower
//             than into an empty one);
//   fill      the first fill of that table by a copy pass (all other tables empty);
//   reread    a pass whose overlap reaches back past every row and finds each unchanged, after an
//             earlier pass of the same run (it reads only rows written since that pass looked);
//             stamps: the same pass as the first after a start, by keys and stamps of both sides;
//             whole: the same pass reading the overlap's rows whole and comparing them column by
//             column, and probe: the same rows read and compared with one probe query per row,
//             the way the copy was written before;
//   unchanged a copy pass over 37 tables in which nothing changed, its look at the working
//             database's open transactions included;
//   look      that look alone;
// and the peak memory of the raw copy, of the fill and of the unchanged passes, for each row count,
// to show that it does not grow with them. Besides the table, every figure is printed as a RESULT
// line for scripts/bench.
//
//   replication_bench [rows ...]      default: 100000 1000000
// scripts/bench-replication starts the server and runs this.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_figures.h"
#include "bench/copy_bench_setup.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "replication/copy_pass.h"
#include "replication/write_horizon.h"
#include "schema/replicated_tables.h"
#include "tests/support/sample_data.h"

namespace {

using namespace brindle;
using bench::Clock;
using bench::Connect;
using bench::Drop;
using bench::ResetPeak;
using bench::Seconds;
using bench::StatusKb;

void PrintResult(const std::string& keys, const char* name, double value, const char* unit) {
  bench::PrintResult("replication", keys, name, value, unit);
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

// The rows of the table inserted again by the server itself, under new keys and later dates (a
// unique index covers DATA); returns the rows inserted.
long EngineInsert(ibx::TIBDatabase& db, const std::string& table) {
  ibx::TIBDataSet columns(db);
  columns.SetSelectSQL("SELECT FIRST 1 * FROM \"" + table + "\"");
  columns.Open();
  std::string declare, names, vars, values;
  for (std::size_t i = 0; i < columns.FieldCount(); ++i) {
    const std::string name = columns.Fields(i).FieldName();
    const std::string var = "V" + std::to_string(i);
    declare += "DECLARE " + var + " TYPE OF COLUMN \"" + table + "\".\"" + name + "\";\n";
    names += (i ? ",\"" : "\"") + name + "\"";
    vars += (i ? ",:" : ":") + var;
    if (name == "ID") {
      values += std::string(i ? "," : "") + ":" + var + " + 1000000000";
    } else if (name == "DATA") {
      values += std::string(i ? "," : "") + "DATEADD(100 YEAR TO :" + var + ")";
    } else {
      values += (i ? ",:" : ":") + var;
    }
  }
  columns.Close();
  ibx::TIBTransaction transaction(db, ibx::TIBTransactionKind::ReadWrite);
  ibx::TIBDataSet block(db, &transaction);
  block.SetParamCheck(false);
  block.SetSelectSQL("EXECUTE BLOCK RETURNS (N INTEGER) AS\n" + declare +
                     "BEGIN\nN = 0;\nFOR SELECT " + names + " FROM \"" + table +
                     "\" WHERE ID < 1000000000 INTO " + vars + " DO BEGIN\nINSERT INTO \"" + table +
                     "\" (" + names + ") VALUES (" + values + ");\nN = N + 1;\nEND\nSUSPEND;\nEND");
  block.Open();
  const long inserted = block.Fields(0).AsInteger();
  block.Close();
  transaction.Commit();
  return inserted;
}

// The rows of the working table read in the pass's order and each looked up in the copy with
// a query of its own and compared by text forms, as every pass did before probes were batched.
void ProbePerRow(ibx::TIBDatabase& work, ibx::TIBDatabase& copy, const std::string& table) {
  ibx::TIBDataSet source(work);
  source.SetSelectSQL("SELECT t.* FROM \"" + table + "\" t ORDER BY t.MODIFYDATE");
  source.Open();
  std::string cols;
  for (std::size_t i = 0; i < source.FieldCount(); ++i) {
    cols += (i ? ",\"" : "\"") + source.Fields(i).FieldName() + "\"";
  }
  ibx::TIBDataSet probe(copy);
  probe.SetSelectSQL("SELECT " + cols + " FROM \"" + table + "\" WHERE \"ID\" = :ID");
  long differing = 0;
  for (; !source.Eof(); source.Next()) {
    probe.ParamByName("ID").SetAsInt64(source.Fields(0).AsInt64());
    probe.Open();
    for (std::size_t i = 0; i < source.FieldCount(); ++i) {
      if (probe.Eof() || probe.Fields(i).AsString() != source.Fields(i).AsString()) {
        ++differing;
        break;
      }
    }
    probe.Close();
  }
  if (differing != 0) {
    std::fprintf(stderr, "probe per row: %ld rows differ; the copy should equal the work\n",
                 differing);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<long> counts = bench::RowCounts(argc, argv);

  bench::TCopyBench suite("brindle-bench");
  TCopySettings settings = suite.Settings();
  const std::string table = "PC_LOGTRAN_BK";

  std::printf("%10s %10s %10s %10s %10s %10s %9s %10s %10s %9s %10s %10s %9s %10s %10s %10s\n",
              "rows", "insert/s", "raw/s", "engine/s", "read/s", "fill/s", "fill/eng", "probe/s",
              "whole/s", "whole/pr", "reread/s", "stamps/s", "reread/wh", "RSS KB", "fill pk KB",
              "reread pk");
  for (const long rows : counts) {
    const std::string work = suite.ConnStr("work.fdb"), copy = suite.ConnStr("copy.fdb"),
                      raw = suite.ConnStr("raw.fdb");
    for (const auto& db : {work, copy, raw}) VerifyOfficeDB(suite.Fyrn(), db, "rivetcode");
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
    double engine_rate = 0;
    const std::string keys = "table=" + table + " rows=" + std::to_string(rows);
    {
      auto target = Connect(raw);
      const bench::TCpuUse cpu;
      const auto start = Clock::now();
      const long inserted = EngineInsert(target, table);
      engine_rate = inserted / Seconds(start);
      bench::PrintCpuPerRow("replication", keys, "engine", cpu, static_cast<double>(inserted));
    }
    settings.WorkDBConnStr = work;
    settings.CopyDBConnStr = copy;
    const long rss = StatusKb("VmRSS");
    ResetPeak();
    const bench::TCpuUse fill_cpu;
    auto start = Clock::now();
    suite.Pass(settings);
    const double fill_rate = rows / Seconds(start);
    bench::PrintCpuPerRow("replication", keys, "fill", fill_cpu, static_cast<double>(rows));
    const long fill_peak = StatusKb("VmHWM");

    // Every row read again and found unchanged: batched probes, then one probe per row.
    TCopySettings reread = settings;
    reread.MarkOverlap = 3650;
    ResetPeak();
    // The table's own time beside the pass's: the pass also goes through 36 empty tables.
    const auto table_seconds = [&](const TPassResult& pass) {
      for (const TTableResult& result : pass.Tables) {
        if (result.Table == table) return result.Seconds;
      }
      return 0.0;
    };
    // The table's time, and the rate of the whole pass, with its CPU printed under `step`.
    const auto measured_pass = [&](const char* step) {
      const bench::TCpuUse cpu;
      const auto begun = Clock::now();
      const double table_time = table_seconds(suite.Pass(reread));
      const double rate = rows / Seconds(begun);
      bench::PrintCpuPerRow("replication", keys, step, cpu, static_cast<double>(rows));
      return std::pair{table_time, rate};
    };
    const auto [reread_table, reread_rate] = measured_pass("reread");
    // The first pass after a start knows no earlier pass: keys and stamps of both sides.
    suite.ForgetPasses();
    const auto [stamps_table, stamps_rate] = measured_pass("reread_stamps");
    reread.OverlapByStamps = false;
    const auto [whole_table, whole_rate] = measured_pass("reread_whole");
    const long reread_peak = StatusKb("VmHWM");  // of the three
    double probe_rate = 0, read_rate = 0;
    {
      auto source = Connect(work);
      auto target = Connect(copy);
      start = Clock::now();
      ProbePerRow(source, target, table);
      probe_rate = rows / Seconds(start);
      read_rate = rows / bench::ReadAll(
                             source, "SELECT t.* FROM \"" + table + "\" t ORDER BY t.MODIFYDATE");
    }
    std::printf(
        "%10ld %10.0f %10.0f %10.0f %10.0f %10.0f %8.0f%% %10.0f %10.0f %8.1fx %10.0f %10.0f "
        "%8.1fx "
        "%10ld %10ld %10ld\n",
        rows, insert_rate, raw_rate, engine_rate, read_rate, fill_rate,
        100 * fill_rate / engine_rate, probe_rate, whole_rate, whole_rate / probe_rate, reread_rate,
        stamps_rate, reread_rate / whole_rate, rss, fill_peak, reread_peak);
    PrintResult(keys, "columns", static_cast<double>(columns), "count");
    PrintResult(keys, "insert_rate", insert_rate, "rows/s");
    PrintResult(keys, "raw_rate", raw_rate, "rows/s");
    PrintResult(keys, "engine_rate", engine_rate, "rows/s");
    PrintResult(keys, "fill_rate", fill_rate, "rows/s");
    PrintResult(keys, "reread_rate", reread_rate, "rows/s");
    PrintResult(keys, "reread_stamps_rate", stamps_rate, "rows/s");
    PrintResult(keys, "reread_whole_rate", whole_rate, "rows/s");
    PrintResult(keys, "reread_table_seconds", reread_table, "s");
    PrintResult(keys, "reread_stamps_table_seconds", stamps_table, "s");
    PrintResult(keys, "reread_whole_table_seconds", whole_table, "s");
    PrintResult(keys, "probe_rate", probe_rate, "rows/s");
    PrintResult(keys, "read_rate", read_rate, "rows/s");
    PrintResult(keys, "reread_peak", static_cast<double>(reread_peak), "KB");
    PrintResult(keys, "rss_before_fill", static_cast<double>(rss), "KB");
    PrintResult(keys, "raw_peak", static_cast<double>(raw_peak), "KB");
    PrintResult(keys, "fill_peak", static_cast<double>(fill_peak), "KB");
    std::fflush(stdout);
    for (const auto& db : {work, copy, raw}) Drop(db);
  }

  // A pass over tables in which nothing changed in the last ten minutes.
  const std::string work = suite.ConnStr("work2.fdb"), copy = suite.ConnStr("copy2.fdb");
  VerifyOfficeDB(suite.Fyrn(), work, "rivetcode");
  VerifyOfficeDB(suite.Fyrn(), copy, "rivetcode");
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
  suite.Pass(settings);
  std::vector<double> times;
  ResetPeak();
  for (int i = 0; i < 7; ++i) {
    const auto start = Clock::now();
    suite.Pass(settings);
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
  return 0;
}
