// TFyrn: the program's binding of the database utility library libFyrn.so (fyrn/fyrn_api.h).
// One instance is made at start-up and handed down as a reference to everything that reaches a
// database: the program module and its engine, the windows, the checks. Destroying it frees its
// members, then
// unloads the library, so everything made through it (connections, transactions, data sets,
// configuration-table objects, and exceptions it raised) must be gone by then.
//
// The operations may be called from several threads, each on its own objects.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "dbaccess/fyrn_entry_points.h"
#include "dbaccess/ini_creator.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/shared_library.h"

namespace brindle {

// Members of the library's binding that this system does not use.
class TfbPool {};
class TfbBackupRestore {};

// Holds one description object of the library from its creation to its destruction.
class TfbDBStructCreator {
 public:
  explicit TfbDBStructCreator(const FyrnEntryPoints& api);
  ~TfbDBStructCreator();
  TfbDBStructCreator(const TfbDBStructCreator&) = delete;
  TfbDBStructCreator& operator=(const TfbDBStructCreator&) = delete;

  TfbDataBaseDesc* Description() const { return description_; }

 private:
  const FyrnEntryPoints& api_;
  TfbDataBaseDesc* description_ = nullptr;
};

class TFyrn {
 public:
  // Gives a connection back to the library, ignoring a failure to close it: for clean-up paths.
  // The TFyrn must outlive the connection.
  struct ConnectionRelease {
    const TFyrn* fyrn;
    void operator()(ibx::TIBDatabase* connection) const noexcept;
  };
  using Connection = std::unique_ptr<ibx::TIBDatabase, ConnectionRelease>;

  // Loads libFyrn.so by bare name (for a program in build/bin, the one beside it), checks that
  // it was built with the same data-access classes and binds its entry points. When any of this
  // fails, raises ERefusedStart.
  TFyrn();
  ~TFyrn();
  TFyrn(const TFyrn&) = delete;
  TFyrn& operator=(const TFyrn&) = delete;

  // An open connection to host/port:path. A failure raises EIBError with the server's text.
  Connection CreateConnection(const std::string& host, std::int32_t port, const std::string& path,
                              const std::string& user, const std::string& password,
                              const std::string& charset);
  // The same for the database of a connection string (host/port:path), as the suite's user in
  // its character set; a malformed port raises EConvertError.
  Connection Connect(const std::string& conn_str, const std::string& password);
  // The configuration CONF of the database of a connection string, already connected; owned
  // by the caller. Raises what CreateIniOnDatabase raises.
  std::unique_ptr<TfbIniFile> OpenConf(const std::string& conn_str, const std::string& password);
  // Closes and frees the connection; it is gone afterwards even when closing fails, which then
  // raises.
  void FreeConnection(Connection connection);
  // A read-write, waiting, read-committed transaction; destroying it without Commit rolls back.
  std::unique_ptr<ibx::TIBTransaction> CreateTransaction(ibx::TIBDatabase& connection);
  // A data set in the transaction, or, when it is null, in the connection's read-only
  // transaction.
  std::unique_ptr<ibx::TIBDataSet> CreateDataSet(ibx::TIBDatabase& connection,
                                                 ibx::TIBTransaction* transaction);
  // The library's current default password, and a new one for every later GetPassword.
  std::string GetPassword() const;
  void SetPassword(const std::string& password);

  // The program's file name, without its folder.
  const std::string& ModuleName() const { return module_name_; }

  TfbPool& Pool() { return *pool_; }
  TfbBackupRestore& BackupRestore() { return *backup_restore_; }
  TfbIniCreator& IniCreator() { return *ini_creator_; }
  TfbDBStructCreator& DBStructCreator() { return *db_struct_creator_; }

 private:
  std::string module_name_;
  std::unique_ptr<SharedLibrary> library_;
  FyrnEntryPoints api_;
  // Declared after the library, so they go before it is unloaded.
  std::unique_ptr<TfbPool> pool_;
  std::unique_ptr<TfbBackupRestore> backup_restore_;
  std::unique_ptr<TfbIniCreator> ini_creator_;
  std::unique_ptr<TfbDBStructCreator> db_struct_creator_;
};

// The exit status of a start the binding refused: not 0, so that a service manager or a script
// sees the failure.
inline constexpr int kRefusedStartExitCode = 2;

// How the binding refuses to start the program: the program shows the refusal's box
// (ShowRefusal) and ends with kRefusedStartExitCode.
class ERefusedStart : public std::runtime_error {
 public:
  ERefusedStart(std::string caption, const std::string& text)
      : std::runtime_error(text), caption_(std::move(caption)) {}
  const std::string& Caption() const { return caption_; }

 private:
  std::string caption_;
};

// The error box of a refused start: its caption, its text and the error icon.
void ShowRefusal(const ERefusedStart& refusal);

}  // namespace brindle
