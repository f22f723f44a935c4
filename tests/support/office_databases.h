// A working and a copy office database with the whole office structure, for replication
// tests: copied as files from a template that VerifyOfficeDB creates once per test process on
// the private server, and dropped afterwards.
#pragma once

#include <memory>
#include <string>

#include "dbaccess/fyrn.h"
#include "ibx/database.h"
#include "settings/copy_settings.h"
#include "tests/support/temp_dir.h"

namespace brindle::testing {

// Links the structure library beside the test program into the current suite root, where
// VerifyOfficeDB looks for it.
void ProvideStructureLibrary();

// The configuration CONF of an office database, opened through the test binding as SYSDBA.
std::unique_ptr<TfbIniFile> OpenOfficeConf(const std::string& conn_str);

class OfficeDatabasePair {
 public:
  // On the private server.
  OfficeDatabasePair();
  // On another server of this machine, listening on the port.
  explicit OfficeDatabasePair(int port);
  ~OfficeDatabasePair();
  OfficeDatabasePair(const OfficeDatabasePair&) = delete;
  OfficeDatabasePair& operator=(const OfficeDatabasePair&) = delete;

  const std::string& WorkConnStr() const { return work_; }
  // Copy settings that name the two databases, with their password.
  TCopySettings Settings() const;
  const std::string& CopyConnStr() const { return copy_; }
  ibx::TIBDatabase ConnectWork() const { return Connect(work_); }
  ibx::TIBDatabase ConnectCopy() const { return Connect(copy_); }
  const TempDir& Dir() const { return dir_; }

  static ibx::TIBDatabase Connect(const std::string& conn_str);
  // host/port:path of a database file on the private server, or on the server of the port.
  static std::string ConnStr(const std::string& path);
  static std::string ConnStr(const std::string& path, int port);

 private:
  // The template database, made once per process; made before dir_, whose suite root then
  // stands for the test.
  static const std::string& TemplatePath();
  const std::string& template_;
  TempDir dir_;
  std::string work_;
  std::string copy_;
};

}  // namespace brindle::testing
