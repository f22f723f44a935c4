// INI-style storage of sections and keys. TCustomIniFile gives the typed operations on top of
// a few text operations that a storage provides; TIniFile keeps them in a profile file.
// Objects are for one thread; they cache nothing, every call reaches the storage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "platform/error.h"

namespace brindle {

BRINDLE_DECLARE_EXCEPTION(EIniFileException, Exception);

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;

  // Decimal, or hexadecimal after "0x"; text that is no integer gives the default.
  virtual std::int32_t ReadInteger(const std::string& section, const std::string& ident,
                                   std::int32_t default_value);
  virtual void WriteInteger(const std::string& section, const std::string& ident,
                            std::int32_t value);
  // Any integer but 0 is true.
  virtual bool ReadBool(const std::string& section, const std::string& ident, bool default_value);
  virtual void WriteBool(const std::string& section, const std::string& ident, bool value);

  // Bytes kept as hexadecimal text; returns the number of bytes read into value.
  virtual std::size_t ReadBinaryStream(const std::string& section, const std::string& name,
                                       std::string& value);
  virtual void WriteBinaryStream(const std::string& section, const std::string& name,
                                 std::string_view value);

  // Text that is empty or no valid value gives the default.
  virtual TDateTime ReadDate(const std::string& section, const std::string& name,
                             TDateTime default_value);
  virtual TDateTime ReadDateTime(const std::string& section, const std::string& name,
                                 TDateTime default_value);
  virtual double ReadFloat(const std::string& section, const std::string& name,
                           double default_value);
  virtual TDateTime ReadTime(const std::string& section, const std::string& name,
                             TDateTime default_value);
  virtual void WriteDate(const std::string& section, const std::string& name, TDateTime value);
  virtual void WriteDateTime(const std::string& section, const std::string& name,
                             TDateTime value);
  virtual void WriteFloat(const std::string& section, const std::string& name, double value);
  virtual void WriteTime(const std::string& section, const std::string& name, TDateTime value);

  // Key names of a section, section names, and the names one level below a section whose
  // names are written "Section\Sub".
  virtual std::vector<std::string> ReadSection(const std::string& section) = 0;
  virtual std::vector<std::string> ReadSections() = 0;
  virtual std::vector<std::string> ReadSubSections(const std::string& section);
  // "Key=Value" for every key of a section.
  virtual std::vector<std::string> ReadSectionValues(const std::string& section);

  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;
  virtual bool ValueExists(const std::string& section, const std::string& ident);

 private:
  std::string file_name_;
};

// Storage in a profile file (platform/profile_file.h). A refused write raises
// EIniFileException naming the file; LastSystemError() then tells why.
class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  std::vector<std::string> ReadSection(const std::string& section) override;
  std::vector<std::string> ReadSections() override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // Makes what this object wrote durable on disk.
  void UpdateFile() override;

 protected:
  // The errno of the last refused write of this object, 0 before any.
  int LastSystemError() const { return last_error_; }
  // Whether this object has changed the file since its last UpdateFile.
  bool HasUnflushedWrites() const { return unflushed_; }

 private:
  void Check(int error, const char* message);

  int last_error_ = 0;
  bool unflushed_ = false;
};

}  // namespace brindle
