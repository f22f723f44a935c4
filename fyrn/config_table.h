// The library's configuration-table object: a configuration kept in the table CONFIGPARAMS of
// its database, one row per key:
//   FILENAME        the configuration name ("CONF")
//   COMPUTERNAME    "*" for all computers, else this computer's name
//   USERNAME        "*" for all users, else the operating-system user's name
//   SECTIONNAME, PARAMNAME   section and key, compared exactly (letter case counts)
//   PARAMVALUE      the value's text when it fits the column; PARAMBLOB and PARAMBLOBHASH null
//   PARAMBLOB       the whole text (WIN1251) when it does not; PARAMVALUE null, and
//                   PARAMBLOBHASH the SHA-1 of the stored bytes in hexadecimal
//   MODIFYDATE      the server's time of the last write; MODIFYUSER "user@computer" of the writer
// Texts are those of the settings files (infra/ini_format.h): flags "1" / "0", decimal
// integers, numbers in general format with 15 significant digits, date-times
// "dd.mm.yyyy hh:nn:ss.zzz" or the date alone at midnight. A read of a missing key gives the
// default, and so does a read whose text is no value of the type asked for ("abc" as an
// integer, "" as a date). When a row holds both columns, PARAMBLOB counts: it holds the value
// whole.
//
// The object attaches once, in SetConnectionParams, and keeps that attachment until it is
// destroyed or given new parameters: a copy pass that reads and writes many keys attaches once.
// Reads run in the connection's read-committed transaction and so see every committed write;
// each write runs in a transaction of its own that is committed before the write returns.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "fyrn/fb_ini_file.h"

namespace brindle::fyrn {

class TfbConfigTable final : public TfbIniFile {
 public:
  // create_table: a database without CONFIGPARAMS gets the table when the object connects.
  TfbConfigTable(std::string ini_name, bool create_table);
  ~TfbConfigTable() override;

  void SetConnectionName(const std::string& name) override;

  void WriteString(bool all_computers, bool all_users, const std::string& section,
                   const std::string& key, const std::string& value) override;
  void WriteBool(bool all_computers, bool all_users, const std::string& section,
                 const std::string& key, bool value) override;
  void WriteFloat(bool all_computers, bool all_users, const std::string& section,
                  const std::string& key, double value) override;
  void WriteDateTime(bool all_computers, bool all_users, const std::string& section,
                     const std::string& key, TDateTime value) override;

  std::string ReadString(bool all_computers, bool all_users, const std::string& section,
                         const std::string& key, const std::string& default_value) override;
  std::int32_t ReadInteger(bool all_computers, bool all_users, const std::string& section,
                           const std::string& key, std::int32_t default_value) override;
  bool ReadBool(bool all_computers, bool all_users, const std::string& section,
                const std::string& key, bool default_value) override;
  double ReadFloat(bool all_computers, bool all_users, const std::string& section,
                   const std::string& key, double default_value) override;
  TDateTime ReadDateTime(bool all_computers, bool all_users, const std::string& section,
                         const std::string& key, TDateTime default_value) override;

  void ReadSection(bool all_computers, bool all_users, const std::string& section,
                   std::vector<std::string>& keys) override;

  void SetConnectionParams(const std::string& host, std::int32_t port, const std::string& path,
                           const std::string& user, const std::string& password,
                           const std::string& charset) override;

 private:
  struct Session;

  Session& Connected();
  std::optional<std::string> Read(bool all_computers, bool all_users, const std::string& section,
                                  const std::string& key);
  void Write(bool all_computers, bool all_users, const std::string& section, const std::string& key,
             const std::string& value);

  std::string ini_name_;
  bool create_table_;
  std::string connection_name_;
  std::unique_ptr<Session> session_;
};

}  // namespace brindle::fyrn
