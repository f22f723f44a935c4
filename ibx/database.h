// A connection to one Firebird database: the stand-in for the IBX TIBDatabase.
//
// Every connection uses the character set WIN1251; the program's strings are UTF-8 and are
// transcoded at this layer's boundary. The user defaults to SYSDBA. Transactions and data sets
// are made on a connection and must not outlive it in use: closing or destroying the connection
// rolls back its open transactions and unprepares its data sets; a transaction or data set left
// over afterwards raises EIBError when used and is safe to destroy. Not thread-safe: one thread
// uses a connection and everything made on it at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::ibx {

namespace detail {
struct DatabaseCore;
}

class TIBDatabase {
 public:
  TIBDatabase();
  ~TIBDatabase();  // closes; never throws
  TIBDatabase(const TIBDatabase&) = delete;
  TIBDatabase& operator=(const TIBDatabase&) = delete;
  TIBDatabase(TIBDatabase&&) noexcept;
  TIBDatabase& operator=(TIBDatabase&&) noexcept;

  // The server's connection string, host/port:path ("localhost/30050:/db/office.fdb").
  void SetDatabaseName(std::string name);
  const std::string& DatabaseName() const;
  // Sets DatabaseName from its parts.
  void SetConnection(std::string_view host, int port, std::string_view path);
  void SetUserName(std::string user);
  const std::string& UserName() const;
  void SetPassword(std::string password);
  // Only "WIN1251" (any letter case) is accepted; anything else raises EIBError.
  void SetCharacterSet(std::string_view charset);

  // Opening an open connection does nothing. Failures carry the server's text.
  void Open();
  // Rolls back open transactions, unprepares data sets, then detaches. The connection is
  // closed afterwards even when the server reported a failure, which is then raised.
  void Close();
  bool Connected() const;
  void SetConnected(bool connected) { connected ? Open() : Close(); }

  // Creates the database file named by DatabaseName with default character set WIN1251 and
  // SQL dialect 3 and stays connected to it. Forced writes off trades durability for speed,
  // for test and benchmark databases.
  void CreateDatabase(bool forced_writes = true);
  // Deletes the connected database's file and closes the connection. Fails, leaving the
  // connection open, while another connection uses the database.
  void DropDatabase();

  // Names of the tables (not views), trimmed, in name order; system tables only when asked.
  std::vector<std::string> GetTableNames(bool system_tables = false);

  detail::DatabaseCore& Core() const;

 private:
  std::unique_ptr<detail::DatabaseCore> core_;
};

}  // namespace brindle::ibx
