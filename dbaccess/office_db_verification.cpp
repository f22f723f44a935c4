#include "dbaccess/office_db_verification.h"

#include <sys/stat.h>

#include <memory>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/connection_string.h"
#include "ostrel/library_api.h"
#include "platform/error.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "schema/office_db_structure_builder.h"

namespace brindle {

namespace {

// The structure library's file in the suite root, and the older name looked for after it.
constexpr char kStructureLibraryName[] = "libOstrel.so";
constexpr char kStructureLibraryFallback[] = "libOstrel10.so";

// Loaded on first use and kept until shutdown; entry points found once are reused.
struct StructureLibrary {
  std::unique_ptr<SharedLibrary> library;
  TGetfbDataBase get_database = nullptr;
  TCheckDBStruct check_structure = nullptr;
  TFreefbDataBase free_database = nullptr;
  TCopyDataFromParadoxBase copy_paradox = nullptr;
};

StructureLibrary& Library() {
  static StructureLibrary library;
  return library;
}

template <class Function>
void FindOnce(const SharedLibrary& library, Function& function, const char* name) {
  if (!function) function = library.Find<std::remove_pointer_t<Function>>(name);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Releases the description through the library whatever happens to the check.
struct DescriptionGuard {
  TFreefbDataBase free_database;
  TfbDataBase* description;
  ~DescriptionGuard() { free_database(description); }
};

}  // namespace

TfbDataBase::CheckOutcome VerifyOfficeDB(TFyrn& fyrn, const std::string& conn_str,
                                         const std::string& password) {
  if (conn_str.empty()) {
    throw Exception("VerifyOfficeDB: для офисной БД должна передаваться строка подключения!");
  }
  const TDatabaseLocation db = LocateDatabase(conn_str);

  StructureLibrary& lib = Library();
  if (!lib.library) {
    lib.library = SharedLibrary::Load(SuitePath(kStructureLibraryName));
    if (!lib.library) lib.library = SharedLibrary::Load(SuitePath(kStructureLibraryFallback));
    if (!lib.library) {
      throw Exception(std::string("Невозможно создать/проверить базу данных, т.к. библиотека ") +
                      kStructureLibraryName + " не была загружена!");
    }
  }
  FindOnce(*lib.library, lib.get_database, "GetfbDataBase");
  FindOnce(*lib.library, lib.check_structure, "CheckDBStruct");
  FindOnce(*lib.library, lib.free_database, "FreefbDataBase");
  FindOnce(*lib.library, lib.copy_paradox, "CopyDataFromParadoxBase");
  if (!lib.get_database || !lib.check_structure || !lib.free_database) {
    throw Exception(std::string("Функции, необходимые для проверки базы данных, не найдены в ") +
                    kStructureLibraryName);
  }

  TfbDataBase::CheckOutcome outcome;
  const std::string log_file = SuitePath("LogFiles/OstrelCheck.log");
  {
    DescriptionGuard guard{lib.free_database, lib.get_database()};
    if (!guard.description) throw Exception("GetfbDataBase: описание базы данных не создано");
    DescribeOfficeDB(*guard.description, db.host, db.path, password, db.port);
    const VariantArray check_options{log_file};
    TOstrelFailure check;
    check.RaiseOnFailure(lib.check_structure(guard.description, &check_options, check.Report()),
                         "CheckDBStruct");
    outcome = guard.description->LastCheck();
    if (FileExists(SuitePath("OfficeDB/Office.db"))) {
      if (!lib.copy_paradox) {
        throw Exception(std::string("Найдены данные офиса в формате Paradox, но в ") +
                        kStructureLibraryName +
                        " нет функции CopyDataFromParadoxBase для их переноса");
      }
      const VariantArray paradox_options{std::string("NOTNULL.DSCCARDS.GSM=*empty_string*\r\n"),
                                         true, true};
      TOstrelFailure copy;
      copy.RaiseOnFailure(lib.copy_paradox(SuitePath("OfficeDB/").c_str(), conn_str.c_str(),
                                           kDatabaseUser, password.c_str(), log_file.c_str(), 0, 1,
                                           &paradox_options, copy.Report()),
                          "CopyDataFromParadoxBase");
    }
  }
  fyrn.IniCreator().SetDefaultIni(kOfficeConf, "OfficeDB", false);
  return outcome;
}

void ReleaseStructureLibrary() {
  Library() = StructureLibrary{};
}

}  // namespace brindle
