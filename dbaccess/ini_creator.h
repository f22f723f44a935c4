// TfbIniCreator: the binding's maker of configuration-table objects (fyrn/fb_ini_file.h), on
// the library's ibxFBCreateIniFile and ibxFBFreeIniFile. It lives inside TFyrn and uses the
// library TFyrn has loaded; objects it hands out must be destroyed before TFyrn is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dbaccess/fyrn_entry_points.h"
#include "fyrn/fb_ini_file.h"

namespace brindle {

class TfbIniCreator {
 public:
  explicit TfbIniCreator(const FyrnEntryPoints& api) : api_(api) {}
  // Releases HeldIni through the library.
  ~TfbIniCreator();
  TfbIniCreator(const TfbIniCreator&) = delete;
  TfbIniCreator& operator=(const TfbIniCreator&) = delete;

  // A new object on the configuration ini_name of the database host/port:path, already
  // connected; owned by the caller. Connection failures and a database without the
  // configuration table raise here. flag: create the table when the database has none.
  std::unique_ptr<TfbIniFile> CreateIniOnDatabase(const std::string& host, std::int32_t port,
                                                  const std::string& path, const std::string& user,
                                                  const std::string& password,
                                                  const std::string& charset,
                                                  const std::string& ini_name, bool flag);

  // A new object on the configuration ini_name, bound to the connection called name.
  std::unique_ptr<TfbIniFile> CreateIni(const std::string& ini_name, const std::string& name,
                                        bool flag);

  // Releases HeldIni, then holds a new object made by CreateIni. When that raises, HeldIni
  // stays empty.
  void SetDefaultIni(const std::string& ini_name, const std::string& name, bool flag);

  // The object of the last SetDefaultIni, or null; it stays the creator's.
  TfbIniFile* HeldIni() const { return held_ini_.get(); }

 private:
  struct LibraryRelease {
    const FyrnEntryPoints* api;
    void operator()(TfbIniFile* ini) const noexcept { api->free_ini_file(ini); }
  };

  const FyrnEntryPoints& api_;
  std::unique_ptr<TfbIniFile, LibraryRelease> held_ini_{nullptr, LibraryRelease{&api_}};
};

}  // namespace brindle
