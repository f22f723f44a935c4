#include "tests/support/office_databases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "dbaccess/office_db_verification.h"
#include "ibx/connection_string.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "settings/copy_settings.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle::testing {

// The template: made by VerifyOfficeDB once, then only copied.
const std::string& OfficeDatabasePair::TemplatePath() {
  static const std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
  static const std::string path = [] {
    TestFyrn();
    ProvideStructureLibrary();
    const std::string file = dir->Path() + "template.fdb";
    VerifyOfficeDB(TestFyrn(), OfficeDatabasePair::ConnStr(file), TestDatabase::Password());
    return file;
  }();
  return path;
}

void ProvideStructureLibrary() {
  std::error_code ignored;
  std::filesystem::create_symlink(ProgramFolder() + "libOstrel.so", SuitePath("libOstrel.so"),
                                  ignored);
}

std::unique_ptr<TfbIniFile> OpenOfficeConf(const std::string& conn_str) {
  return TestFyrn().IniCreator().CreateIniOnDatabase(
      ExtractHost(conn_str), ExtractPort(conn_str, kDefaultPort), ExtractPath(conn_str), "SYSDBA",
      TestDatabase::Password(), "WIN1251", "CONF", false);
}

std::string OfficeDatabasePair::ConnStr(const std::string& path) {
  return ConnStr(path, TestDatabase::Port());
}

std::string OfficeDatabasePair::ConnStr(const std::string& path, int port) {
  return TestDatabase::Host() + "/" + std::to_string(port) + ":" + path;
}

ibx::TIBDatabase OfficeDatabasePair::Connect(const std::string& conn_str) {
  ibx::TIBDatabase database;
  database.SetDatabaseName(conn_str);
  database.SetPassword(TestDatabase::Password());
  database.Open();
  return database;
}

OfficeDatabasePair::OfficeDatabasePair() : OfficeDatabasePair(TestDatabase::Port()) {}

OfficeDatabasePair::OfficeDatabasePair(int port) : template_(TemplatePath()) {
  ProvideStructureLibrary();
  std::filesystem::copy_file(template_, dir_ / "work.fdb");
  std::filesystem::copy_file(template_, dir_ / "copy.fdb");
  work_ = ConnStr(dir_ / "work.fdb", port);
  copy_ = ConnStr(dir_ / "copy.fdb", port);
}

TCopySettings OfficeDatabasePair::Settings() const {
  TCopySettings settings;
  settings.WorkDBConnStr = work_;
  settings.CopyDBConnStr = copy_;
  settings.WorkDBPassword = TestDatabase::Password();
  settings.CopyDBPassword = TestDatabase::Password();
  return settings;
}

OfficeDatabasePair::~OfficeDatabasePair() {
  for (const std::string& conn_str : {copy_, work_}) {
    try {
      Connect(conn_str).DropDatabase();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "Cannot drop " << conn_str << ": " << e.what();
    }
  }
}

}  // namespace brindle::testing
