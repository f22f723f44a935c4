#include "dbaccess/fyrn.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "ibx/connection_string.h"
#include "platform/error.h"
#include "platform/message_box.h"

namespace brindle {

namespace {

constexpr const char* kErrorCaption = "Error!";

std::string ModuleText(const char* library) {
  return std::string("Модуль \"") + library + "\"";
}

}  // namespace

void ShowRefusal(const ERefusedStart& refusal) {
  ShowMessageBox({refusal.Caption(), refusal.what(), MessageIcon::kError, MessageButtons::kOk});
}

TfbDBStructCreator::TfbDBStructCreator(const FyrnEntryPoints& api) : api_(api) {
  std::exception_ptr error;
  description_ = api_.create_data_base_desc(&error);
  RaiseReported(error);
}

TfbDBStructCreator::~TfbDBStructCreator() {
  api_.free_data_base_desc(description_);
}

TFyrn::TFyrn() : module_name_(ProgramFileName()) {
  const char* name = kFyrnLibraryName;
  std::string loader_error;
  library_ = SharedLibrary::Load(name, &loader_error);
  if (!library_) {
    std::fprintf(stderr, "%s\n", loader_error.c_str());
    throw ERefusedStart(kErrorCaption,
                        ModuleText(name) + " не загружен. \r\nВ запуске приложения отказано!");
  }
  api_.packages_is_correct =
      library_->Find<std::remove_pointer_t<decltype(api_.packages_is_correct)>>(
          "ibxFBPackagesIsCorrect");
  if (!api_.packages_is_correct) {
    throw ERefusedStart(kErrorCaption,
                        ModuleText(name) +
                            " загружен, однако он скомпилирован без директивы FYRNDLL. "
                            "В запуске приложения отказано!");
  }
  const PackageIdentity identity = ThisModulePackageIdentity();
  if (!api_.packages_is_correct(&identity)) {
    throw ERefusedStart(
        kErrorCaption,
        ModuleText(name) +
            ", либо вызывающий модуль скомпилированы без пакета \"ibxpress\", либо "
            "используются разные версии библиотеки IBX. В запуске приложения отказано!");
  }

  // A library that passed the check but lacks an entry point would fail at its first call.
  auto bind = [&](auto& entry, const char* symbol) {
    entry = library_->Find<std::remove_pointer_t<std::remove_reference_t<decltype(entry)>>>(symbol);
    if (!entry) {
      throw ERefusedStart(kErrorCaption, ModuleText(name) +
                                             " загружен, однако в нём нет функции \"" + symbol +
                                             "\". В запуске приложения отказано!");
    }
  };
  bind(api_.create_connection, "ibxFBCreateConnection");
  bind(api_.free_connection, "ibxFBFreeConnection");
  bind(api_.create_transaction, "ibxFBCreateTransaction");
  bind(api_.create_data_set, "ibxFBCreateDataSet");
  bind(api_.get_password, "ibxFBGetPassword");
  bind(api_.set_password, "ibxFBSetPassword");
  bind(api_.create_ini_file, "ibxFBCreateIniFile");
  bind(api_.free_ini_file, "ibxFBFreeIniFile");
  bind(api_.create_data_base_desc, "ibxFBCreateDataBaseDesc");
  bind(api_.free_data_base_desc, "ibxFBFreeDataBaseDesc");

  pool_ = std::make_unique<TfbPool>();
  backup_restore_ = std::make_unique<TfbBackupRestore>();
  ini_creator_ = std::make_unique<TfbIniCreator>(api_);
  db_struct_creator_ = std::make_unique<TfbDBStructCreator>(api_);
}

TFyrn::~TFyrn() {
  db_struct_creator_.reset();
  ini_creator_.reset();
  backup_restore_.reset();
  pool_.reset();
}

void TFyrn::ConnectionRelease::operator()(ibx::TIBDatabase* connection) const noexcept {
  std::exception_ptr ignored;  // the connection is gone either way
  fyrn->api_.free_connection(connection, fyrn->module_name_.c_str(), &ignored);
}

TFyrn::Connection TFyrn::CreateConnection(const std::string& host, std::int32_t port,
                                          const std::string& path, const std::string& user,
                                          const std::string& password, const std::string& charset) {
  std::exception_ptr error;
  Connection connection(
      api_.create_connection(host.c_str(), port, path.c_str(), user.c_str(), password.c_str(),
                             charset.c_str(), true, true, 0, module_name_.c_str(), &error),
      ConnectionRelease{this});
  RaiseReported(error);
  return connection;
}

TFyrn::Connection TFyrn::Connect(const std::string& conn_str, const std::string& password) {
  const TDatabaseLocation db = LocateDatabase(conn_str);
  return CreateConnection(db.host, db.port, db.path, kDatabaseUser, password, kDatabaseCharset);
}

std::unique_ptr<TfbIniFile> TFyrn::OpenConf(const std::string& conn_str,
                                            const std::string& password) {
  const TDatabaseLocation db = LocateDatabase(conn_str);
  return ini_creator_->CreateIniOnDatabase(db.host, db.port, db.path, kDatabaseUser, password,
                                           kDatabaseCharset, kOfficeConf, false);
}

void TFyrn::FreeConnection(Connection connection) {
  std::exception_ptr error;
  api_.free_connection(connection.release(), module_name_.c_str(), &error);
  RaiseReported(error);
}

std::unique_ptr<ibx::TIBTransaction> TFyrn::CreateTransaction(ibx::TIBDatabase& connection) {
  std::exception_ptr error;
  std::unique_ptr<ibx::TIBTransaction> transaction(
      api_.create_transaction(&connection, true, true, 0, module_name_.c_str(), &error));
  RaiseReported(error);
  return transaction;
}

std::unique_ptr<ibx::TIBDataSet> TFyrn::CreateDataSet(ibx::TIBDatabase& connection,
                                                      ibx::TIBTransaction* transaction) {
  std::exception_ptr error;
  std::unique_ptr<ibx::TIBDataSet> data_set(
      api_.create_data_set(&connection, transaction, true, 0, module_name_.c_str(), &error));
  RaiseReported(error);
  return data_set;
}

std::string TFyrn::GetPassword() const {
  std::vector<char> buffer(64);
  std::size_t length = api_.get_password(buffer.data(), buffer.size());
  // Another thread may set a longer one between two calls.
  while (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = api_.get_password(buffer.data(), buffer.size());
  }
  return std::string(buffer.data(), length);
}

void TFyrn::SetPassword(const std::string& password) {
  std::exception_ptr error;
  api_.set_password(password.c_str(), &error);
  RaiseReported(error);
}

}  // namespace brindle
