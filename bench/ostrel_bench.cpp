// Time of the structure check on the private server, for the full office schema (70 tables):
// checking a database that does not exist yet (it is created with everything in it) and checking
// one that is already up to date (nothing is created). Each database is dropped afterwards.
// Also the peak memory of the whole run. Besides the prose, every figure is printed as a RESULT
// line for scripts/bench.
//
//   ostrel_bench [runs]          default: 3
// The server is 127.0.0.1 on FB_PORT (default 30050); start it with scripts/fbserver start.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_figures.h"
#include "ibx/database.h"
#include "ostrel/database_description.h"
#include "ostrel/structure_check.h"
#include "platform/error.h"
#include "schema/office_db_structure_builder.h"

namespace {

using brindle::bench::Clock;
using brindle::bench::Seconds;
using brindle::bench::StatusKb;

struct Times {
  double create = 0;
  double up_to_date = 0;
  int created = 0;
  int tables = 0;
};

Times Run(const std::string& dir, int port, int run) {
  const std::string path = dir + "/office" + std::to_string(run) + ".fdb";
  const std::string log = dir + "/LogFiles/OstrelCheck.log";
  const auto check = [&] {
    brindle::TfbDataBaseDescription description;
    brindle::DescribeOfficeDB(description, "127.0.0.1", path, "rivetcode", port);
    return brindle::ostrel::CheckDatabaseStructure(description, log);
  };
  Times times;
  Clock::time_point start = Clock::now();
  const brindle::ostrel::CheckResult created = check();
  times.create = Seconds(start);
  times.created = created.created;
  start = Clock::now();
  const brindle::ostrel::CheckResult again = check();
  times.up_to_date = Seconds(start);
  if (again.created != 0) std::fprintf(stderr, "second check created %d objects\n", again.created);

  brindle::ibx::TIBDatabase database;
  database.SetConnection("127.0.0.1", port, path);
  database.SetPassword("rivetcode");
  database.Open();
  times.tables = static_cast<int>(database.GetTableNames().size());
  database.DropDatabase();
  return times;
}

void PrintResult(const char* name, double value, const char* unit) {
  brindle::bench::PrintResult("ostrel", "", name, value, unit);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const char* port_text = std::getenv("FB_PORT");
  const int port = port_text && *port_text ? std::atoi(port_text) : 30050;

  std::string dir = (std::filesystem::temp_directory_path() / "ostrel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  // The suite root of the run, with CommonOrgs, so that all 70 tables are described.
  setenv("ZEMT_ROOT", dir.c_str(), 1);
  std::filesystem::create_directories(dir + "/CommonOrgs");

  int status = 0;
  try {
    std::vector<double> create, up_to_date;
    Times times;
    for (int run = 1; run <= runs; ++run) {
      times = Run(dir, port, run);
      create.push_back(times.create);
      up_to_date.push_back(times.up_to_date);
      std::printf("run %d: create %.3f s (%d tables, %d objects), up to date %.3f s\n", run,
                  times.create, times.tables, times.created, times.up_to_date);
    }
    std::printf("median of %d: database created from nothing %.3f s; up-to-date database %.3f s\n",
                runs, Median(create), Median(up_to_date));
    const long peak_kb = StatusKb("VmHWM");
    std::printf("peak memory of the run: %ld KB\n", peak_kb);
    PrintResult("runs", runs, "count");
    PrintResult("tables", times.tables, "count");
    PrintResult("objects", times.created, "count");
    PrintResult("create", Median(create), "s");
    PrintResult("create_min", *std::min_element(create.begin(), create.end()), "s");
    PrintResult("create_max", *std::max_element(create.begin(), create.end()), "s");
    PrintResult("up_to_date", Median(up_to_date), "s");
    PrintResult("up_to_date_min", *std::min_element(up_to_date.begin(), up_to_date.end()), "s");
    PrintResult("up_to_date_max", *std::max_element(up_to_date.begin(), up_to_date.end()), "s");
    PrintResult("peak", static_cast<double>(peak_kb), "KB");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ostrel_bench: %s\n", e.what());
    status = 1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
