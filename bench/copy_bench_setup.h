// What the copy benchmarks share: a suite root of their own in a fresh temporary folder with the
// database library installed, connections to the private server (FB_PORT, SYSDBA "rivetcode"),
// copy passes that end the program when they fail, and a full read of a query.
#pragma once

#include <string>

#include "dbaccess/fyrn.h"
#include "ibx/database.h"
#include "replication/copy_pass.h"
#include "replication/pass_progress.h"
#include "settings/copy_settings.h"

namespace brindle::bench {

class TCopyBench {
 public:
  // `name` names the temporary folder.
  explicit TCopyBench(const std::string& name);
  // Uninstalls the library and removes the folder.
  ~TCopyBench();
  TCopyBench(const TCopyBench&) = delete;
  TCopyBench& operator=(const TCopyBench&) = delete;

  // host/port:path of a database file in the folder.
  std::string ConnStr(const std::string& file) const;
  // Settings with the server's passwords; the databases are the caller's.
  TCopySettings Settings() const;
  // Settings with a working and a copy database of the folder, both made with the office
  // structure (again, when they exist).
  TCopySettings NewDatabases(const std::string& work_file, const std::string& copy_file);
  TFyrn& Fyrn() { return fyrn_; }
  // One copy pass, with the memory passes keep between them; a failure ends the program.
  TPassResult Pass(const TCopySettings& settings);
  // The next pass runs as the first after a start.
  void ForgetPasses() { memory_ = {}; }

 private:
  std::string dir_;
  TFyrn fyrn_;
  TPassProgress progress_;
  TPassMemory memory_;
};

ibx::TIBDatabase Connect(const std::string& conn_str);
void Drop(const std::string& conn_str);
// Seconds to read every row of the query, every value taken.
double ReadAll(ibx::TIBDatabase& db, const std::string& sql);

}  // namespace brindle::bench
