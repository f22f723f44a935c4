// A fresh database on the private test server (scripts/fbserver), in a fresh temporary
// directory, dropped again when the guard goes. The server is 127.0.0.1 on the port in FB_PORT
// (default 30050), user SYSDBA, password "rivetcode". Without a server the constructor raises,
// so the test fails rather than skips.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "ibx/database.h"
#include "tests/support/temp_dir.h"

namespace brindle::testing {

class TestDatabase {
 public:
  TestDatabase();
  // Drops the database; a failure, such as a connection the test left open, fails the test.
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  static std::string Host() { return "127.0.0.1"; }
  static int Port();
  static std::string Password() { return "rivetcode"; }

  const std::string& Path() const { return path_; }
  // host/port:path
  const std::string& ConnectionString() const { return connection_string_; }
  const TempDir& Dir() const { return dir_; }

  // A new open connection to the database.
  ibx::TIBDatabase Connect() const;
  // Runs each statement in a committed transaction of its own (DDL takes effect at commit),
  // on a connection of its own.
  void Execute(std::initializer_list<std::string_view> statements) const;

 private:
  TempDir dir_;
  std::string path_;
  std::string connection_string_;
};

}  // namespace brindle::testing
