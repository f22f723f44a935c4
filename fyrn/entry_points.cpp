// The library's exported entry points. Each one catches everything: a failure travels back to
// the caller through its std::exception_ptr argument, never as an exception across the C
// boundary.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

#include "fyrn/config_table.h"
#include "fyrn/fyrn_api.h"
#include "ibx/ib_error.h"

namespace brindle {

// Nothing in this system fills a description; the structure creator only holds one.
struct TfbDataBaseDesc {
  std::string name;
};

namespace {

using ibx::EIBError;

std::mutex password_lock;
std::string& DefaultPassword() {
  static std::string password = "rivetcode";
  return password;
}

std::string Text(const char* text) {
  return text ? text : "";
}

// Runs body; what it raises is stored in *error and the result is then empty (null).
template <class Body>
auto Reported(std::exception_ptr* error, Body&& body) noexcept -> decltype(body()) {
  using Result = decltype(body());
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    if (error) *error = std::current_exception();
  }
  if constexpr (!std::is_void_v<Result>) return Result{};
}

template <class T>
T& Required(T* object, const char* message) {
  if (!object) throw EIBError(message);
  return *object;
}

}  // namespace

}  // namespace brindle

extern "C" {

bool ibxFBPackagesIsCorrect(const brindle::PackageIdentity* caller) {
  if (!caller || caller->identity_size != sizeof(brindle::PackageIdentity)) return false;
  return brindle::SamePackageIdentity(*caller, brindle::ThisModulePackageIdentity());
}

brindle::ibx::TIBDatabase* ibxFBCreateConnection(const char* host, std::int32_t port,
                                                 const char* path, const char* user,
                                                 const char* password, const char* charset,
                                                 bool open, bool dialect3,
                                                 std::int32_t connect_timeout, const char*,
                                                 std::exception_ptr* error) {
  using namespace brindle;
  return Reported(error, [&] {
    if (!dialect3) {
      throw ibx::EIBError("ibxFBCreateConnection: поддерживается только SQL-диалект 3");
    }
    if (connect_timeout != 0) {
      throw ibx::EIBError(
          "ibxFBCreateConnection: время ожидания подключения задаётся только значением 0 "
          "(время ожидания клиента)");
    }
    auto database = std::make_unique<ibx::TIBDatabase>();
    database->SetConnection(Text(host), port, Text(path));
    database->SetUserName(Text(user));
    database->SetPassword(Text(password));
    database->SetCharacterSet(Text(charset));
    if (open) database->Open();
    return database.release();
  });
}

void ibxFBFreeConnection(brindle::ibx::TIBDatabase* connection, const char*,
                         std::exception_ptr* error) {
  using namespace brindle;
  // Gone afterwards whatever closing reports.
  std::unique_ptr<ibx::TIBDatabase> owned(connection);
  Reported(error, [&] {
    if (owned) owned->Close();
  });
}

brindle::ibx::TIBTransaction* ibxFBCreateTransaction(brindle::ibx::TIBDatabase* connection,
                                                     bool write, bool wait,
                                                     std::int32_t lock_timeout, const char*,
                                                     std::exception_ptr* error) {
  using namespace brindle;
  return Reported(error, [&] {
    ibx::TIBDatabase& database =
        Required(connection, "ibxFBCreateTransaction: не задано подключение");
    if (!wait) {
      throw ibx::EIBError(
          "ibxFBCreateTransaction: транзакции без ожидания блокировок не поддерживаются");
    }
    if (lock_timeout != 0) {
      throw ibx::EIBError(
          "ibxFBCreateTransaction: время ожидания блокировки задаётся только значением 0 "
          "(без ограничения)");
    }
    return new ibx::TIBTransaction(
        database, write ? ibx::TIBTransactionKind::ReadWrite : ibx::TIBTransactionKind::ReadOnly);
  });
}

brindle::ibx::TIBDataSet* ibxFBCreateDataSet(brindle::ibx::TIBDatabase* connection,
                                             brindle::ibx::TIBTransaction* transaction,
                                             bool unidirectional, std::int32_t buffer_rows,
                                             const char*, std::exception_ptr* error) {
  using namespace brindle;
  return Reported(error, [&] {
    ibx::TIBDatabase& database = Required(connection, "ibxFBCreateDataSet: не задано подключение");
    if (!unidirectional) {
      throw ibx::EIBError(
          "ibxFBCreateDataSet: поддерживаются только однонаправленные наборы данных");
    }
    if (buffer_rows != 0) {
      throw ibx::EIBError(
          "ibxFBCreateDataSet: размер буфера строк задаётся только значением 0 (по умолчанию)");
    }
    return new ibx::TIBDataSet(database, transaction);
  });
}

std::size_t ibxFBGetPassword(char* buffer, std::size_t size) {
  using namespace brindle;
  std::lock_guard guard(password_lock);
  const std::string& password = DefaultPassword();
  if (buffer && size > 0) {
    const std::size_t length = std::min(password.size(), size - 1);
    std::memcpy(buffer, password.data(), length);
    buffer[length] = '\0';
  }
  return password.size();
}

void ibxFBSetPassword(const char* password, std::exception_ptr* error) {
  using namespace brindle;
  Reported(error, [&] {
    std::string value = Text(password);
    std::lock_guard guard(password_lock);
    DefaultPassword() = std::move(value);
  });
}

brindle::TfbIniFile* ibxFBCreateIniFile(const char* ini_name, bool create_table,
                                        std::exception_ptr* error) {
  using namespace brindle;
  return Reported(error, [&]() -> TfbIniFile* {
    const std::string name = Text(ini_name);
    if (name.empty()) throw ibx::EIBError("ibxFBCreateIniFile: не задано имя конфигурации");
    return new fyrn::TfbConfigTable(name, create_table);
  });
}

void ibxFBFreeIniFile(brindle::TfbIniFile* ini) {
  delete ini;
}

brindle::TfbDataBaseDesc* ibxFBCreateDataBaseDesc(std::exception_ptr* error) {
  using namespace brindle;
  return Reported(error, [] { return new TfbDataBaseDesc(); });
}

void ibxFBFreeDataBaseDesc(brindle::TfbDataBaseDesc* description) {
  delete description;
}

}  // extern "C"
