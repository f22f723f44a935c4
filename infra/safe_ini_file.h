// The INI file through which every settings file of the suite is read and written.
//
// Several programs of the suite, as different users, share these files, so every operation
// holds a machine-wide named lock derived from the file's path; values of any length and with
// line breaks are kept in a plain INI file by encoding line breaks as "<@\n@>" and spreading
// long values over continuation keys (K__$Count, K__$Hash, K__$Line2...); a refused key write
// is retried for up to a second. Each failing operation raises EIniFileException (or the class
// of the first failure) with "Operation -> cause" messages.
//
// An object is for one short use in one thread: create, a few operations, destroy.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "infra/ini_file.h"
#include "platform/named_mutex.h"

namespace brindle {

class TSafeIniFile : public TIniFile {
 public:
  // How long a failing key write or flush is retried.
  static constexpr int kRetryWindowMs = 1000;
  // The longest piece of a value stored in one key, so that a piece with two quotes fits the
  // 65535-character read buffer with its terminator.
  static constexpr std::size_t kMaxPieceChars = 65532;

  // The file need not exist. Works unlocked when no lock can be opened.
  explicit TSafeIniFile(const std::string& file_name);
  // Makes what this object wrote durable, under the lock; never throws.
  ~TSafeIniFile() override;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  TDateTime ReadDate(const std::string& section, const std::string& name,
                     TDateTime default_value) override;
  TDateTime ReadDateTime(const std::string& section, const std::string& name,
                         TDateTime default_value) override;
  double ReadFloat(const std::string& section, const std::string& name,
                   double default_value) override;
  TDateTime ReadTime(const std::string& section, const std::string& name,
                     TDateTime default_value) override;
  void WriteDate(const std::string& section, const std::string& name, TDateTime value) override;
  void WriteDateTime(const std::string& section, const std::string& name, TDateTime value) override;
  void WriteFloat(const std::string& section, const std::string& name, double value) override;
  void WriteTime(const std::string& section, const std::string& name, TDateTime value) override;
  std::vector<std::string> ReadSection(const std::string& section) override;
  std::vector<std::string> ReadSections() override;
  std::vector<std::string> ReadSectionValues(const std::string& section) override;
  // Does nothing at all when the file does not exist.
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  void UpdateFile() override;

  // Flush to disk after every change (off at creation).
  bool FlushAfterWrite = false;
  // Keep every value in one key, cutting what does not fit (off at creation).
  bool PlainMode = false;

  // Null when the object works unlocked.
  NamedMutex* LockMutex() const { return lock_.get(); }

  // The lock name of a file: "ini file lock mutex" + the lower-cased path with doubled
  // backslashes made single and each of " * / : < > ? \ | made "_".
  static std::string MakeLockName(const std::string& file_name);

  // The value split into the pieces that are stored, quoted where needed; first_piece_hash is
  // ValueHash of the first piece before quoting.
  struct SplitResult {
    std::vector<std::string> pieces;
    std::int32_t first_piece_hash = 0;
  };
  static SplitResult SplitValue(const std::string& value, bool plain_mode);
  static std::int32_t ValueHash(std::string_view text);

 private:
  std::string ReadRaw(const std::string& section, const std::string& key,
                      const std::string& default_value, std::int32_t* hash);
  void DoWriteString(const std::string& section, const std::string& key, const std::string& text);
  void DoDeleteKey(const std::string& section, const std::string& ident, bool delete_ident);
  void CheckSection(const std::string& section) const;
  void CheckIdent(const std::string& ident) const;
  // Runs a write until it succeeds, retrying refusals for kRetryWindowMs.
  template <class Attempt>
  void RetryWrite(Attempt attempt);

  std::unique_ptr<NamedMutex> lock_;
};

// What to do about a write the system refused for lack of rights (EACCES, EPERM, EROFS): the
// user, folder and file concerned; empty for any other error.
std::string WriteRefusalAdvice(int error, const std::string& file);

}  // namespace brindle
