// Raw speed of the data-access layer against the private server: rows per second inserted with
// one prepared statement in one transaction, rows per second read through a data set, and the
// peak memory of the read, for several row counts to show that it does not grow with them.
// These figures are the baseline the replication is measured against. Besides the table, every
// figure is printed as a RESULT line for scripts/bench.
//
//   ibx_bench [rows ...]          default: 100000 1000000
// The server is 127.0.0.1 on FB_PORT (default 30050); scripts/bench-ibx starts it and runs this.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_figures.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "platform/date_time.h"

namespace {

using brindle::bench::Clock;
using brindle::bench::ResetPeak;
using brindle::bench::Seconds;
using brindle::bench::StatusKb;
using brindle::ibx::EIBError;
using brindle::ibx::TIBDatabase;
using brindle::ibx::TIBDataSet;
using brindle::ibx::TIBTransaction;
using brindle::ibx::TIBValue;

void PrintResult(long rows, const char* name, double value, const char* unit) {
  brindle::bench::PrintResult("ibx", "rows=" + std::to_string(rows), name, value, unit);
}

struct Result {
  long rows = 0;
  double insert_seconds = 0;
  double read_seconds = 0;
  long rss_before_kb = 0;
  long peak_kb = 0;
  std::size_t text_bytes = 0;
};

Result Run(long rows, const std::string& dir, int port) {
  Result result;
  result.rows = rows;
  TIBDatabase database;
  database.SetConnection("127.0.0.1", port, dir + "/bench" + std::to_string(rows) + ".fdb");
  database.SetPassword("rivetcode");
  database.CreateDatabase(/*forced_writes=*/false);
  {
    TIBTransaction ddl(database);
    TIBDataSet create(database, &ddl);
    create.SetSelectSQL(
        "CREATE TABLE BENCH (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(100), "
        "AMOUNT NUMERIC(15,4), STAMP TIMESTAMP, FLAG INTEGER)");
    create.ExecSQL();
    ddl.Commit();
  }

  const brindle::TDateTime start_stamp = brindle::EncodeDateTime({2024, 5, 17, 0, 0, 0, 0});
  auto started = Clock::now();
  {
    TIBTransaction write(database);
    TIBDataSet insert(database, &write);
    insert.SetSelectSQL(
        "INSERT INTO BENCH (ID, NAME, AMOUNT, STAMP, FLAG) "
        "VALUES (:ID, :NAME, :AMOUNT, :STAMP, :FLAG)");
    auto& id = insert.ParamByName("ID");
    auto& name = insert.ParamByName("NAME");
    auto& amount = insert.ParamByName("AMOUNT");
    auto& stamp = insert.ParamByName("STAMP");
    auto& flag = insert.ParamByName("FLAG");
    for (long i = 0; i < rows; ++i) {
      id.SetAsInteger(static_cast<int>(i));
      name.SetAsString("Карта клиента № " + std::to_string(i));
      amount.SetAsVariant(TIBValue::Decimal(i * 12345, -4));
      stamp.SetAsDateTime(start_stamp + static_cast<double>(i) / 86400.0);
      flag.SetAsInteger(static_cast<int>(i % 2));
      insert.ExecSQL();
    }
    write.Commit();
  }
  result.insert_seconds = Seconds(started);

  result.rss_before_kb = StatusKb("VmRSS");
  const bool reset = ResetPeak();
  started = Clock::now();
  {
    TIBDataSet read(database);
    read.SetSelectSQL("SELECT * FROM BENCH ORDER BY ID");
    long count = 0;
    for (read.Open(); !read.Eof(); read.Next(), ++count) {
      for (std::size_t f = 0; f < read.FieldCount(); ++f) {
        result.text_bytes += read.Fields(f).AsString().size();
      }
    }
    if (count != rows) {
      throw EIBError("read " + std::to_string(count) + " rows of " + std::to_string(rows));
    }
  }
  result.read_seconds = Seconds(started);
  if (reset) {
    result.peak_kb = StatusKb("VmHWM");
  } else {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.peak_kb = usage.ru_maxrss;  // the whole run's peak: an upper bound
  }
  database.DropDatabase();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<long> counts = brindle::bench::RowCounts(argc, argv);
  const char* port_text = std::getenv("FB_PORT");
  const int port = port_text && *port_text ? std::atoi(port_text) : 30050;

  std::string dir = std::filesystem::temp_directory_path().string() + "/brindle-bench-XXXXXX";
  if (!mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  std::printf(
      "ibx_bench: 127.0.0.1:%d, table of 5 columns (INTEGER key, VARCHAR(100) Cyrillic, "
      "NUMERIC(15,4), TIMESTAMP, INTEGER), forced writes off\n\n",
      port);
  std::printf("%10s  %14s  %14s  %16s  %16s\n", "rows", "insert rows/s", "read rows/s",
              "RSS before read", "peak during read");
  int rc = 0;
  try {
    for (long rows : counts) {
      const Result r = Run(rows, dir, port);
      std::printf("%10ld  %14.0f  %14.0f  %13ld KB  %13ld KB\n", r.rows,
                  static_cast<double>(r.rows) / r.insert_seconds,
                  static_cast<double>(r.rows) / r.read_seconds, r.rss_before_kb, r.peak_kb);
      PrintResult(r.rows, "insert_rate", static_cast<double>(r.rows) / r.insert_seconds, "rows/s");
      PrintResult(r.rows, "read_rate", static_cast<double>(r.rows) / r.read_seconds, "rows/s");
      PrintResult(r.rows, "rss_before_read", static_cast<double>(r.rss_before_kb), "KB");
      PrintResult(r.rows, "read_peak", static_cast<double>(r.peak_kb), "KB");
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ibx_bench: %s\n", e.what());
    rc = 1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  std::printf(
      "\nread = SELECT * ... ORDER BY ID through a TIBDataSet, AsString of every field; "
      "peak = VmHWM from the start of the read\n");
  return rc;
}
