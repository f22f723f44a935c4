#include "startup/start_checks.h"

#include <memory>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

constexpr char kStructVersion[] = "OFFICE_DB_STRUCT_VERSION";
constexpr char kIsCopy[] = "DB_IS_COPY";

}  // namespace

void CheckCopyingPaths(const std::string& source_text, const std::string& target_text) {
  if (source_text.empty()) throw Exception("Не указан файл рабочей базы данных КОРТА-ОФИС");
  if (target_text.empty()) throw Exception("Не указан файл копии базы данных");
  if (SameText(source_text, target_text)) throw Exception("Указана одна и та же база данных!");
}

TDateTime CheckCopyDatabase(TFyrn& fyrn, const TCopySettings& settings) {
  std::unique_ptr<TfbIniFile> conf = fyrn.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword);
  const bool is_copy = ReadParamBool(*conf, kIsCopy, false);
  const std::int32_t version = ReadParamInt(*conf, kStructVersion, 0);
  if (!is_copy && version > 0) {
    throw Exception("Заданная в настройках копия базы данных на самом деле является рабочей БД!");
  }
  return ReadLastCopyTime(*conf);
}

void CheckCopyDatabase(TCopyEngine& engine) {
  engine.SetLastCopyTime(CheckCopyDatabase(engine.Binding(), engine.Settings()));
}

void CheckWorkDatabase(TFyrn& fyrn, const TCopySettings& settings) {
  std::unique_ptr<TfbIniFile> conf = fyrn.OpenConf(settings.WorkDBConnStr, settings.WorkDBPassword);
  if (ReadParamInt(*conf, kStructVersion, 0) == 0) {
    throw Exception(
        "Заданная в настройках рабочая БД скорее всего не является рабочей (версия БД не "
        "найдена)!");
  }
  if (ReadParamBool(*conf, kIsCopy, false)) {
    throw Exception("Заданная в настройках рабочая база данных на самом деле является копией БД!");
  }
}

}  // namespace brindle
