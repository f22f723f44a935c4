// Speed of the check of the copy against the private server, beside the raw read rate of each
// side measured in the same run on the same table:
//   raw    every row of PC_LOGTRAN_BK read through one forward-only data set in key order, every
//          value taken, nothing compared: the most a check can read from that side;
//   check  RunCopyCheck of that table (ranges, two reading threads, the merge and the compare),
//          with a few hundred differences spread through the copy (a decimal changed in its
//          fourth place, rows deleted);
//   repair RunCopyCheck with a repair of a tenth of the rows, changed in the copy in two ways:
//          once so that the copy's MODIFYDATE differs (the trigger stamped the change), once so
//          that it equals the working one (the repair then moves it away before writing it back,
//          so the trigger does not stamp it): the difference of the two is what keeping
//          MODIFYDATE costs;
// and the peak memory of the check for each row count beside the resident memory before it (which
// the copy pass that filled the copy leaves higher after more rows), to show that what the check
// adds does not grow with the rows.
// Every figure is also printed as a RESULT line for scripts/bench.
//
//   check_bench [rows ...]      default: 100000 1000000
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_figures.h"
#include "bench/copy_bench_setup.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "replication/check/copy_check.h"
#include "replication/copy_pass.h"
#include "tests/support/sample_data.h"

namespace {

using namespace brindle;
using bench::Clock;
using bench::Connect;
using bench::Drop;
using bench::ResetPeak;
using bench::Seconds;
using bench::StatusKb;

// Seconds to read every row of the table in key order, every value taken.
double RawRead(const std::string& conn_str, const std::string& table) {
  auto db = Connect(conn_str);
  return bench::ReadAll(db, "SELECT * FROM \"" + table + "\" ORDER BY ID");
}

// Changes SUMMA of every tenth row of the copy; with `same_stamp` its MODIFYDATE is put back, so
// that it equals the working row's. Returns the rows changed.
long ChangeTenth(const std::string& conn_str, const std::string& table, bool same_stamp) {
  auto copy = Connect(conn_str);
  const std::string where = " WHERE MOD(ID, 10) = 3";
  if (!same_stamp) {
    testing::ExecuteCommitted(copy, "UPDATE " + table + " SET SUMMA = SUMMA + 0.0001" + where);
  } else {
    // 1900-01-01 becomes NULL, and a value written over NULL stays.
    ibx::TIBTransaction transaction(copy, ibx::TIBTransactionKind::ReadWrite);
    ibx::TIBDataSet block(copy, &transaction);
    block.SetParamCheck(false);  // :ID and :STAMP are the block's variables
    block.SetSelectSQL(
        "EXECUTE BLOCK AS DECLARE ID BIGINT; DECLARE STAMP TIMESTAMP; BEGIN "
        "FOR SELECT ID, MODIFYDATE FROM " +
        table + where + " INTO :ID, :STAMP DO BEGIN UPDATE " + table +
        " SET SUMMA = SUMMA + 0.0001, MODIFYDATE = '1900-01-01' WHERE ID = :ID; "
        "UPDATE " +
        table + " SET MODIFYDATE = :STAMP WHERE ID = :ID; END END");
    block.ExecSQL();
    transaction.Commit();
  }
  return std::stol(testing::QueryText(copy, "SELECT COUNT(*) FROM " + table + where));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<long> counts = bench::RowCounts(argc, argv);

  bench::TCopyBench suite("brindle-check");
  TCopySettings settings = suite.Settings();
  const std::string table = "PC_LOGTRAN_BK";

  std::printf("%10s %10s %10s %10s %10s %9s %9s %10s %10s\n", "rows", "diffs", "raw work/s",
              "raw copy/s", "check/s", "of slower", "found", "before KB", "peak KB");
  int status = 0;
  for (const long rows : counts) {
    settings = suite.NewDatabases("work.fdb", "copy.fdb");
    {
      auto work = Connect(settings.WorkDBConnStr);
      testing::InsertSampleRows(work, table, "ID", 0, static_cast<std::int32_t>(rows));
    }
    suite.Pass(settings);
    // A few hundred differences spread through the table, whatever its size.
    const long step = std::max<long>(rows / 300, 2);
    {
      auto copy = Connect(settings.CopyDBConnStr);
      testing::ExecuteCommitted(copy, "UPDATE " + table +
                                          " SET SUMMA = SUMMA + 0.0001 WHERE MOD(ID, " +
                                          std::to_string(step) + ") = 1");
      testing::ExecuteCommitted(
          copy, "DELETE FROM " + table + " WHERE MOD(ID, " + std::to_string(step * 2) + ") = 0");
    }
    // Keys 0 .. rows - 1: those of 1 modulo step changed, those of 0 modulo 2 step deleted.
    const long planted = (rows - 2) / step + 1 + (rows - 1) / (step * 2) + 1;
    const bench::TCpuUse raw_cpu;
    const double raw_work = rows / RawRead(settings.WorkDBConnStr, table);
    const std::string keys = "table=" + table + " rows=" + std::to_string(rows);
    bench::PrintCpuPerRow("check", keys, "raw_work", raw_cpu, static_cast<double>(rows));
    const double raw_copy = rows / RawRead(settings.CopyDBConnStr, table);

    TCheckOptions options;
    options.Tables = ParseCheckedTables(table);
    const long rss = StatusKb("VmRSS");
    ResetPeak();
    const bench::TCpuUse check_cpu;
    const auto start = Clock::now();
    const TCheckResult result = RunCopyCheck(suite.Fyrn(), settings, options);
    const double check_rate = rows / Seconds(start);
    bench::PrintCpuPerRow("check", keys, "check", check_cpu, static_cast<double>(rows));
    const long peak = StatusKb("VmHWM");
    if (result.Failed()) {
      std::fprintf(stderr, "the check failed: %s\n", CheckSummaryText(result).c_str());
      return 1;
    }
    const std::int64_t found = result.Found();
    if (found != planted) {
      std::fprintf(stderr, "the check found %lld differences, %ld were planted\n",
                   static_cast<long long>(found), planted);
      status = 1;
    }
    const double slower = std::min(raw_work, raw_copy);
    std::printf("%10ld %10ld %10.0f %10.0f %10.0f %8.0f%% %9lld %10ld %10ld\n", rows, planted,
                raw_work, raw_copy, check_rate, 100 * check_rate / slower,
                static_cast<long long>(found), rss, peak);
    bench::PrintResult("check", keys, "differences", static_cast<double>(planted), "count");
    bench::PrintResult("check", keys, "raw_work_rate", raw_work, "rows/s");
    bench::PrintResult("check", keys, "raw_copy_rate", raw_copy, "rows/s");
    bench::PrintResult("check", keys, "check_rate", check_rate, "rows/s");
    bench::PrintResult("check", keys, "rss_before_check", static_cast<double>(rss), "KB");
    bench::PrintResult("check", keys, "check_peak", static_cast<double>(peak), "KB");
    for (const bool same_stamp : {false, true}) {
      const long changed = ChangeTenth(settings.CopyDBConnStr, table, same_stamp);
      TCheckOptions repair = options;
      repair.Repair = true;
      const bench::TCpuUse repair_cpu;
      const auto repair_start = Clock::now();
      const TCheckResult repaired = RunCopyCheck(suite.Fyrn(), settings, repair);
      const double seconds = Seconds(repair_start);
      const std::string kind = same_stamp ? "repair_same_stamp" : "repair_other_stamp";
      bench::PrintCpuPerRow("check", keys, kind, repair_cpu, static_cast<double>(changed));
      // A repaired copy holds the working rows, so the next repair finds nothing but its own.
      if (repaired.Failed() || repaired.Left() != 0 || repaired.Found() < changed) {
        std::fprintf(stderr, "the repair left differences: %s\n",
                     CheckSummaryText(repaired).c_str());
        status = 1;
      }
      std::printf("%10ld rows, %s: %ld repaired in %.2f s, %.0f repaired rows/s\n", rows,
                  kind.c_str(), changed, seconds, changed / seconds);
      bench::PrintResult("check", keys, (kind + "_rows").c_str(), static_cast<double>(changed),
                         "count");
      bench::PrintResult("check", keys, (kind + "_rate").c_str(), changed / seconds, "rows/s");
      bench::PrintResult("check", keys, (kind + "_seconds").c_str(), seconds, "s");
    }
    const TCheckResult after = RunCopyCheck(suite.Fyrn(), settings, options);
    if (after.Found() != 0) {
      std::fprintf(stderr, "after the repairs: %s\n", CheckSummaryText(after).c_str());
      status = 1;
    }
    std::fflush(stdout);
    for (const auto& db : {settings.WorkDBConnStr, settings.CopyDBConnStr}) Drop(db);
  }
  return status;
}
