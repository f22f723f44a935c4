// The library's entry points as the binding found them, shared by TFyrn and its members.
#pragma once

#include <exception>

#include "fyrn/fyrn_api.h"

namespace brindle {

struct FyrnEntryPoints {
  decltype(&ibxFBPackagesIsCorrect) packages_is_correct = nullptr;
  decltype(&ibxFBCreateConnection) create_connection = nullptr;
  decltype(&ibxFBFreeConnection) free_connection = nullptr;
  decltype(&ibxFBCreateTransaction) create_transaction = nullptr;
  decltype(&ibxFBCreateDataSet) create_data_set = nullptr;
  decltype(&ibxFBGetPassword) get_password = nullptr;
  decltype(&ibxFBSetPassword) set_password = nullptr;
  decltype(&ibxFBCreateIniFile) create_ini_file = nullptr;
  decltype(&ibxFBFreeIniFile) free_ini_file = nullptr;
  decltype(&ibxFBCreateDataBaseDesc) create_data_base_desc = nullptr;
  decltype(&ibxFBFreeDataBaseDesc) free_data_base_desc = nullptr;
};

// Raises again what an entry point reported, if anything.
inline void RaiseReported(const std::exception_ptr& error) {
  if (error) std::rethrow_exception(error);
}

}  // namespace brindle
