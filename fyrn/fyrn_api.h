// The entry points of the database utility library libFyrn.so, shared by the library and the
// program's binding (dbaccess/fyrn.h), which loads the library at run time and looks them up by
// name.
//
// Compatibility: the program and the library each compile in the data-access layer (ibx/) and
// hand its objects to one another as pointers, and the program calls the library's
// configuration-table objects through their virtual operations (fyrn/fb_ini_file.h). Both must
// therefore be built from the same versions of these and with the same C++ runtime interface.
// ibxFBPackagesIsCorrect compares the caller's PackageIdentity with the library's own.
//
// Failures: no exception leaves an entry point. An entry point that can fail takes a
// std::exception_ptr* as its last argument; on failure it stores the exception there untouched
// (class, message, server codes) and returns null, and the binding raises it again. Such
// exceptions, like every object the library makes, stay valid while the library is loaded.
//
// Ownership: everything the library returns belongs to the caller. Connections go back through
// ibxFBFreeConnection; transactions, data sets and configuration-table objects are destroyed by
// the caller (ibxFBFreeIniFile destroys a configuration-table object as well); descriptions go
// back through ibxFBFreeDataBaseDesc. Texts are UTF-8. Objects are for one thread at a time; the
// default password is shared by all threads.
#pragma once

#include <cstdint>
#include <cstring>
#include <exception>
#include <typeinfo>

#include "fyrn/fb_ini_file.h"
#include "ibx/abi.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"

#define FYRN_EXPORT __attribute__((visibility("default")))

namespace brindle {

// The library's file name, as the binding loads it and as its messages name it.
inline constexpr const char* kFyrnLibraryName = "libFyrn.so";

// What a module compiled in: checked field by field, so that a library and a program built from
// different versions of the data-access layer, of the configuration-table interface or of the
// C++ runtime interface refuse each other instead of corrupting each other's objects.
struct PackageIdentity {
  std::uint32_t identity_size;  // of this structure, so fields may be added at the end
  std::uint32_t ibx_abi_version;
  std::uint32_t ini_file_interface_version;
  std::uint32_t cxx_abi_version;         // __GXX_ABI_VERSION
  std::uint32_t cxx11_string_abi;        // _GLIBCXX_USE_CXX11_ABI
  std::uint32_t connection_class_size;   // sizeof(TIBDatabase)
  std::uint32_t transaction_class_size;  // sizeof(TIBTransaction)
  std::uint32_t data_set_class_size;     // sizeof(TIBDataSet)
  const char* connection_class_name;     // the mangled name of TIBDatabase
};

// The identity of the module that compiles this inline function.
inline PackageIdentity ThisModulePackageIdentity() {
  return PackageIdentity{
      .identity_size = sizeof(PackageIdentity),
      .ibx_abi_version = ibx::kIbxAbiVersion,
      .ini_file_interface_version = kFbIniFileInterfaceVersion,
      .cxx_abi_version = __GXX_ABI_VERSION,
      .cxx11_string_abi = _GLIBCXX_USE_CXX11_ABI,
      .connection_class_size = sizeof(ibx::TIBDatabase),
      .transaction_class_size = sizeof(ibx::TIBTransaction),
      .data_set_class_size = sizeof(ibx::TIBDataSet),
      .connection_class_name = typeid(ibx::TIBDatabase).name(),
  };
}

inline bool SamePackageIdentity(const PackageIdentity& a, const PackageIdentity& b) {
  return a.identity_size == b.identity_size && a.ibx_abi_version == b.ibx_abi_version &&
         a.ini_file_interface_version == b.ini_file_interface_version &&
         a.cxx_abi_version == b.cxx_abi_version && a.cxx11_string_abi == b.cxx11_string_abi &&
         a.connection_class_size == b.connection_class_size &&
         a.transaction_class_size == b.transaction_class_size &&
         a.data_set_class_size == b.data_set_class_size && a.connection_class_name &&
         b.connection_class_name &&
         std::strcmp(a.connection_class_name, b.connection_class_name) == 0;
}

// The library's own description object for the structure creator; opaque to the program.
struct TfbDataBaseDesc;

}  // namespace brindle

extern "C" {

// Whether the library was built with the same data-access classes as the caller. Never fails.
FYRN_EXPORT bool ibxFBPackagesIsCorrect(const brindle::PackageIdentity* caller);

// A connection to host/port:path. open: attach before returning (false leaves that to the
// caller). dialect3: speak SQL dialect 3, the only dialect of the data-access layer (false is
// refused). connect_timeout: seconds, 0 for the client's own (the only value supported).
// module: the calling program's file name, for the caller's identity; not used by this library.
// A failed attach raises the server's text.
FYRN_EXPORT brindle::ibx::TIBDatabase* ibxFBCreateConnection(
    const char* host, std::int32_t port, const char* path, const char* user, const char* password,
    const char* charset, bool open, bool dialect3, std::int32_t connect_timeout, const char* module,
    std::exception_ptr* error);

// Closes the connection (rolling back its open transactions) and destroys it. The connection is
// gone afterwards even when closing failed; the failure is still reported.
FYRN_EXPORT void ibxFBFreeConnection(brindle::ibx::TIBDatabase* connection, const char* module,
                                     std::exception_ptr* error);

// A transaction on the connection. write: read-write (false: read-only); both read committed.
// wait: wait for rows other transactions hold (false is refused: every transaction waits).
// lock_timeout: seconds, 0 for no limit (the only value supported).
FYRN_EXPORT brindle::ibx::TIBTransaction* ibxFBCreateTransaction(
    brindle::ibx::TIBDatabase* connection, bool write, bool wait, std::int32_t lock_timeout,
    const char* module, std::exception_ptr* error);

// A data set on the connection, in the transaction or, when it is null, in the connection's
// read-only, read-committed transaction. unidirectional: forward-only cursors (false is refused:
// there are no others). buffer_rows: rows fetched ahead, 0 for the default of one at a time (the
// only value supported).
FYRN_EXPORT brindle::ibx::TIBDataSet* ibxFBCreateDataSet(
    brindle::ibx::TIBDatabase* connection, brindle::ibx::TIBTransaction* transaction,
    bool unidirectional, std::int32_t buffer_rows, const char* module, std::exception_ptr* error);

// The library's current default password, written to buffer (always terminated when size > 0);
// returns its length in bytes, so a caller whose buffer was too small can ask again. Starts as
// "rivetcode".
FYRN_EXPORT std::size_t ibxFBGetPassword(char* buffer, std::size_t size);
FYRN_EXPORT void ibxFBSetPassword(const char* password, std::exception_ptr* error);

// A configuration-table object on the configuration ini_name, not yet connected.
// create_table: when the database has no table CONFIGPARAMS, create it on connecting (false:
// such a database is refused with an error naming the table and the database).
FYRN_EXPORT brindle::TfbIniFile* ibxFBCreateIniFile(const char* ini_name, bool create_table,
                                                    std::exception_ptr* error);
FYRN_EXPORT void ibxFBFreeIniFile(brindle::TfbIniFile* ini);

FYRN_EXPORT brindle::TfbDataBaseDesc* ibxFBCreateDataBaseDesc(std::exception_ptr* error);
FYRN_EXPORT void ibxFBFreeDataBaseDesc(brindle::TfbDataBaseDesc* description);

}  // extern "C"
