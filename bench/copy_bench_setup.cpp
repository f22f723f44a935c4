#include "bench/copy_bench_setup.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "bench/bench_figures.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/dataset.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"

namespace brindle::bench {

namespace {

constexpr char kPassword[] = "rivetcode";

std::string MadeTempDir(const std::string& name) {
  std::string dir = std::filesystem::temp_directory_path().string() + "/" + name + "-XXXXXX";
  if (!mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return dir;
}

}  // namespace

TCopyBench::TCopyBench(const std::string& name) : dir_(MadeTempDir(name)) {
  setenv("ZEMT_ROOT", (dir_ + "/root/").c_str(), 1);
  std::filesystem::create_directories(dir_ + "/root/LogFiles");
  std::filesystem::create_symlink(ProgramFolder() + "libOstrel.so", SuitePath("libOstrel.so"));
}

TCopyBench::~TCopyBench() {
  std::filesystem::remove_all(dir_);
}

std::string TCopyBench::ConnStr(const std::string& file) const {
  const char* port = std::getenv("FB_PORT");
  return "127.0.0.1/" + std::string(port && *port ? port : "30050") + ":" + dir_ + "/" + file;
}

TCopySettings TCopyBench::Settings() const {
  TCopySettings settings;
  settings.WorkDBPassword = settings.CopyDBPassword = kPassword;
  return settings;
}

TCopySettings TCopyBench::NewDatabases(const std::string& work_file, const std::string& copy_file) {
  TCopySettings settings = Settings();
  settings.WorkDBConnStr = ConnStr(work_file);
  settings.CopyDBConnStr = ConnStr(copy_file);
  for (const auto& db : {settings.WorkDBConnStr, settings.CopyDBConnStr}) {
    VerifyOfficeDB(fyrn_, db, kPassword);
  }
  return settings;
}

TPassResult TCopyBench::Pass(const TCopySettings& settings) {
  TPassResult result = RunCopyPass(fyrn_, settings, progress_, memory_);
  if (result.Status != TPassStatus::kCompleted) {
    std::fprintf(stderr, "copy pass failed: %s\n",
                 result.Error ? result.Error->Text.c_str() : "skipped");
    std::exit(1);
  }
  return result;
}

ibx::TIBDatabase Connect(const std::string& conn_str) {
  ibx::TIBDatabase db;
  db.SetDatabaseName(conn_str);
  db.SetPassword(kPassword);
  db.Open();
  return db;
}

void Drop(const std::string& conn_str) {
  Connect(conn_str).DropDatabase();
}

double ReadAll(ibx::TIBDatabase& db, const std::string& sql) {
  ibx::TIBDataSet rows(db);
  rows.SetSelectSQL(sql);
  const auto start = Clock::now();
  std::size_t values = 0;
  for (rows.Open(); !rows.Eof(); rows.Next()) {
    for (std::size_t i = 0; i < rows.FieldCount(); ++i) {
      values += !rows.Fields(i).AsVariant().IsNull();
    }
  }
  const double seconds = Seconds(start);
  if (values == 0) {
    std::fprintf(stderr, "no value read by %s\n", sql.c_str());
    std::exit(1);
  }
  return seconds;
}

}  // namespace brindle::bench
