#include "tests/support/test_database.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"

namespace brindle::testing {

int TestDatabase::Port() {
  const char* port = std::getenv("FB_PORT");
  return port && *port ? std::atoi(port) : 30050;
}

TestDatabase::TestDatabase()
    : path_(dir_ / "test.fdb"),
      connection_string_(Host() + "/" + std::to_string(Port()) + ":" + path_) {
  ibx::TIBDatabase database;
  database.SetDatabaseName(connection_string_);
  database.SetPassword(Password());
  try {
    database.CreateDatabase(/*forced_writes=*/false);
  } catch (const ibx::EIBError& e) {
    throw ibx::EIBError(
        "Cannot create the test database; is the test server running "
        "(scripts/fbserver start)? " +
        e.Message());
  }
}

TestDatabase::~TestDatabase() {
  try {
    ibx::TIBDatabase database = Connect();
    database.DropDatabase();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "Cannot drop the test database " << path_ << ": " << e.what();
  }
}

ibx::TIBDatabase TestDatabase::Connect() const {
  ibx::TIBDatabase database;
  database.SetDatabaseName(connection_string_);
  database.SetPassword(Password());
  database.Open();
  return database;
}

void TestDatabase::Execute(std::initializer_list<std::string_view> statements) const {
  ibx::TIBDatabase database = Connect();
  ibx::TIBTransaction transaction(database);
  ibx::TIBDataSet statement(database, &transaction);
  for (std::string_view sql : statements) {
    statement.SetSelectSQL(sql);
    statement.ExecSQL();
    transaction.Commit();
  }
}

}  // namespace brindle::testing
