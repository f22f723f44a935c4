#include "dbaccess/ini_creator.h"

namespace brindle {

TfbIniCreator::~TfbIniCreator() = default;

std::unique_ptr<TfbIniFile> TfbIniCreator::CreateIniOnDatabase(
    const std::string& host, std::int32_t port, const std::string& path, const std::string& user,
    const std::string& password, const std::string& charset, const std::string& ini_name,
    bool flag) {
  std::exception_ptr error;
  std::unique_ptr<TfbIniFile> ini(api_.create_ini_file(ini_name.c_str(), flag, &error));
  RaiseReported(error);
  ini->SetConnectionParams(host, port, path, user, password, charset);
  return ini;
}

std::unique_ptr<TfbIniFile> TfbIniCreator::CreateIni(const std::string& ini_name,
                                                     const std::string& name, bool flag) {
  std::exception_ptr error;
  std::unique_ptr<TfbIniFile> ini(api_.create_ini_file(ini_name.c_str(), flag, &error));
  RaiseReported(error);
  ini->SetConnectionName(name);
  return ini;
}

void TfbIniCreator::SetDefaultIni(const std::string& ini_name, const std::string& name, bool flag) {
  held_ini_.reset();
  held_ini_.reset(CreateIni(ini_name, name, flag).release());
}

}  // namespace brindle
