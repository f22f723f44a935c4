// The configuration-table object: INI-style sections and keys with typed values, kept in a
// database under a configuration name ("CONF"). The database utility library makes these
// objects; the program reaches them only through this interface, so the order of the virtual
// operations below is part of the library's binary interface (kFbIniFileInterfaceVersion).
//
// The two leading flags of every read, write and listing choose whose value it is: true, true
// means shared by all computers and all users (the only form this system uses); false stands for
// this computer or this user. Every failure (database unreachable, wrong password, table missing,
// text the connection's character set cannot hold) raises. Reads of a missing key, and of a value
// that is not of the type asked for, give the default. A write is committed before it returns.
// One thread uses an object at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace brindle {

// Raise with every change to the operations below, their order or their arguments.
inline constexpr std::uint32_t kFbIniFileInterfaceVersion = 1;

class TfbIniFile {
 public:
  virtual ~TfbIniFile() = default;
  TfbIniFile(const TfbIniFile&) = delete;
  TfbIniFile& operator=(const TfbIniFile&) = delete;

  // Binds the object to a connection known by name. The library knows no named connections, so
  // the name is only recorded: such an object must still be given SetConnectionParams before
  // it reads or writes, and says so when it is not.
  virtual void SetConnectionName(const std::string& name) = 0;

  virtual void WriteString(bool all_computers, bool all_users, const std::string& section,
                           const std::string& key, const std::string& value) = 0;
  virtual void WriteBool(bool all_computers, bool all_users, const std::string& section,
                         const std::string& key, bool value) = 0;
  virtual void WriteFloat(bool all_computers, bool all_users, const std::string& section,
                          const std::string& key, double value) = 0;
  virtual void WriteDateTime(bool all_computers, bool all_users, const std::string& section,
                             const std::string& key, TDateTime value) = 0;

  virtual std::string ReadString(bool all_computers, bool all_users, const std::string& section,
                                 const std::string& key, const std::string& default_value) = 0;
  virtual std::int32_t ReadInteger(bool all_computers, bool all_users, const std::string& section,
                                   const std::string& key, std::int32_t default_value) = 0;
  virtual bool ReadBool(bool all_computers, bool all_users, const std::string& section,
                        const std::string& key, bool default_value) = 0;
  virtual double ReadFloat(bool all_computers, bool all_users, const std::string& section,
                           const std::string& key, double default_value) = 0;
  virtual TDateTime ReadDateTime(bool all_computers, bool all_users, const std::string& section,
                                 const std::string& key, TDateTime default_value) = 0;

  // Replaces the list's content with the key names of the section, in name order.
  virtual void ReadSection(bool all_computers, bool all_users, const std::string& section,
                           std::vector<std::string>& keys) = 0;

  // Connects to the database (host/port:path) and checks that it can hold the configuration;
  // failures raise here already. Only the character set "WIN1251" is accepted.
  virtual void SetConnectionParams(const std::string& host, std::int32_t port,
                                   const std::string& path, const std::string& user,
                                   const std::string& password, const std::string& charset) = 0;

 protected:
  TfbIniFile() = default;
};

}  // namespace brindle
