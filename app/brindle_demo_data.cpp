// brindle-demo-data: fills an office database made by "brindle-sync --verify" with sample rows in
// every replicated table and marks it as a working database (structure version 12), so that the
// demo has something to copy. Not installed; the demo script runs it from the build.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/database.h"
#include "platform/character_handling.h"
#include "platform/text.h"
#include "tests/support/sample_data.h"

int main(int argc, char** argv) {
  using namespace brindle;
  UseUtf8CharacterHandling();
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr,
                 "Использование: brindle-demo-data CONNSTR [ROWS]\n"
                 "Пароль SYSDBA: переменная BRINDLE_WORK_PASSWORD (по умолчанию rivetcode).\n");
    return 2;
  }
  const std::string conn_str = argv[1];
  const auto rows = argc == 3 ? TryStrToInt(argv[2]) : std::optional<std::int32_t>(5);
  if (!rows || *rows <= 0) {
    std::fprintf(stderr, "brindle-demo-data: ROWS must be a positive number\n");
    return 2;
  }
  const char* env = std::getenv("BRINDLE_WORK_PASSWORD");
  const std::string password = env ? env : "rivetcode";
  // Made before the try: an exception raised in the library must be handled while the library
  // is still loaded, or its destruction would run unloaded code.
  TFyrn fyrn;
  try {
    WriteConfString(*fyrn.OpenConf(conn_str, password), "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
    ibx::TIBDatabase db;
    db.SetDatabaseName(conn_str);
    db.SetPassword(password);
    db.Open();
    testing::FillReplicatedTables(db, *rows);
    db.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brindle-demo-data: %s\n", e.what());
    return 1;
  }
  std::printf("%s: %d записей в каждой копируемой таблице, OFFICE_DB_STRUCT_VERSION = 12\n",
              conn_str.c_str(), *rows);
  return 0;
}
