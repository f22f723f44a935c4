#include "infra/safe_ini_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "infra/ini_format.h"
#include "platform/text.h"

namespace brindle {

namespace {

constexpr char kCountSuffix[] = "__$Count";
constexpr char kHashSuffix[] = "__$Hash";
constexpr char kLineSuffix[] = "__$Line";
constexpr char kLineBreakCode[] = "<@\\n@>";
constexpr std::size_t kLineBreakCodeLength = 6;
constexpr std::int32_t kNoCount = -65535;

// Refusals that a second of retrying will not cure: missing directory, name too long, disk
// full, invalid name.
bool IsPermanent(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ENOSPC ||
         error == EDQUOT || error == EINVAL;
}

bool NeedsQuotes(std::string_view piece) {
  auto special = [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '"'; };
  return !piece.empty() && (special(piece.front()) || special(piece.back()));
}

// The numbers n in 2 .. count of the continuation keys "<ident>__$Line<n>" among the section's
// keys, in order. A missing piece reads as "", so only these need reading: a damaged count of
// two thousand million then costs no more than the file's own keys.
std::vector<std::int64_t> PiecesPresent(const std::vector<std::string>& keys,
                                        const std::string& ident, std::int64_t count) {
  const std::string prefix = ident + kLineSuffix;
  std::vector<std::int64_t> pieces;
  for (const std::string& key : keys) {
    if (key.size() <= prefix.size() || !SameText(key.substr(0, prefix.size()), prefix)) continue;
    const std::string digits = key.substr(prefix.size());
    // Only the form std::to_string gives names a piece.
    if (digits.size() > 10 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    const std::int64_t n = std::stoll(digits);
    if (n >= 2 && n <= count) pieces.push_back(n);
  }
  std::sort(pieces.begin(), pieces.end());
  return pieces;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string WriteRefusalAdvice(int error, const std::string& file) {
  if (error != EACCES && error != EPERM && error != EROFS) return {};
  const std::string folder = std::filesystem::path(file).parent_path().string();
  const passwd* user = getpwuid(geteuid());
  const std::string who = user ? std::string(user->pw_name) : "uid " + std::to_string(geteuid());
  if (error == EROFS)
    return ". Папка " + folder +
           " только для чтения: перенесите настройки в "
           "папку, доступную для записи (ZEMT_ROOT)";
  return ". Разрешите пользователю " + who + " запись в папку " + folder + " и в файл " + file +
         " (или запускайте программу от пользователя, которому они принадлежат)";
}

TSafeIniFile::TSafeIniFile(const std::string& file_name)
    : TIniFile(file_name), lock_(NamedMutex::Open(MakeLockName(file_name))) {}

TSafeIniFile::~TSafeIniFile() {
  try {
    NamedMutexGuard guard(lock_.get());
    if (HasUnflushedWrites()) TIniFile::UpdateFile();
  } catch (...) {
    // A destructor cannot report; the data is in the file already, only not yet synced.
  }
}

std::string TSafeIniFile::MakeLockName(const std::string& file_name) {
  std::string name = "ini file lock mutex" + LowerCase(file_name);
  for (std::size_t pos; (pos = name.find("\\\\")) != std::string::npos;) name.erase(pos, 1);
  for (char& c : name) {
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  }
  return name;
}

std::int32_t TSafeIniFile::ValueHash(std::string_view text) {
  std::uint32_t h = 0;
  for (const char c : text) {
    h += static_cast<unsigned char>(c);
    h -= (h << 13) | (h >> 19);
  }
  return static_cast<std::int32_t>(h);
}

TSafeIniFile::SplitResult TSafeIniFile::SplitValue(const std::string& value, bool plain_mode) {
  SplitResult result;
  std::string buffer;
  auto emit = [&] {
    if (result.pieces.empty()) result.first_piece_hash = ValueHash(buffer);
    result.pieces.push_back(NeedsQuotes(buffer) ? "\"" + buffer + "\"" : buffer);
    buffer.clear();
  };
  for (std::size_t pos = 0; pos < value.size();) {
    // A piece never ends inside a character of several bytes.
    const std::size_t length = CharLengthAt(value, pos);
    if (buffer.size() + length > kMaxPieceChars) {
      emit();
      if (plain_mode) return result;
    }
    const char c = value[pos];
    if (c == '\n') {
      if (buffer.size() + kLineBreakCodeLength > kMaxPieceChars) {
        emit();
        if (plain_mode) return result;
      }
      buffer += kLineBreakCode;
    } else if (c != '\r') {
      buffer.append(value, pos, length);
    }
    pos += length;
  }
  if (!buffer.empty()) emit();
  return result;
}

void TSafeIniFile::CheckSection(const std::string& section) const {
  if (section.empty()) {
    throw EIniFileException("Не указано название секции. Имя файла: " + FileName());
  }
}

void TSafeIniFile::CheckIdent(const std::string& ident) const {
  if (ident.empty()) {
    throw EIniFileException("Не указано название переменной. Имя файла: " + FileName());
  }
}

std::string TSafeIniFile::ReadRaw(const std::string& section, const std::string& key,
                                  const std::string& default_value, std::int32_t* hash) {
  const std::string text = TIniFile::ReadString(section, key, default_value);
  if (hash) *hash = ValueHash(text);
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (text.compare(pos, kLineBreakCodeLength, kLineBreakCode) == 0) {
      decoded += "\r\n";
      pos += kLineBreakCodeLength;
    } else {
      decoded += text[pos++];
    }
  }
  return decoded;
}

std::string TSafeIniFile::ReadString(const std::string& section, const std::string& ident,
                                     const std::string& default_value) {
  return WithContext("TSafeIniFile.ReadString", [&] {
    CheckSection(section);
    CheckIdent(ident);
    NamedMutexGuard guard(lock_.get());
    if (PlainMode) return ReadRaw(section, ident, default_value, nullptr);
    const std::int32_t count =
        TryStrToInt(ReadRaw(section, ident + kCountSuffix, "", nullptr)).value_or(kNoCount);
    std::int32_t hash = 0;
    std::string value = ReadRaw(section, ident, default_value, &hash);
    if (count > 1 &&
        TryStrToInt(ReadRaw(section, ident + kHashSuffix, "", nullptr)) == std::optional(hash)) {
      for (const std::int64_t n : PiecesPresent(TIniFile::ReadSection(section), ident, count)) {
        value += ReadRaw(section, ident + kLineSuffix + std::to_string(n), "", nullptr);
      }
    }
    return value;
  });
}

template <class Attempt>
void TSafeIniFile::RetryWrite(Attempt attempt) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kRetryWindowMs);
  for (;;) {
    try {
      attempt();
      return;
    } catch (const Exception& e) {
      const int error = LastSystemError();
      if (Clock::now() >= deadline || IsPermanent(error)) {
        e.RaiseWithMessage(SystemErrorText(error) + " -> " + e.Message() +
                           WriteRefusalAdvice(error, FileName()));
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void TSafeIniFile::DoWriteString(const std::string& section, const std::string& key,
                                 const std::string& text) {
  WithContext("DoWriteString",
              [&] { RetryWrite([&] { TIniFile::WriteString(section, key, text); }); });
}

void TSafeIniFile::DoDeleteKey(const std::string& section, const std::string& ident,
                               bool delete_ident) {
  WithContext("TSafeIniFile.DoDeleteKey", [&] {
    NamedMutexGuard guard(lock_.get());
    const std::int32_t count =
        TryStrToInt(ReadRaw(section, ident + kCountSuffix, "", nullptr)).value_or(kNoCount);
    if (count != kNoCount) {
      TIniFile::DeleteKey(section, ident + kCountSuffix);
      TIniFile::DeleteKey(section, ident + kHashSuffix);
      // Only the pieces the file holds: a damaged count costs no more than the file's keys.
      for (const std::int64_t n : PiecesPresent(TIniFile::ReadSection(section), ident, count)) {
        TIniFile::DeleteKey(section, ident + kLineSuffix + std::to_string(n));
      }
    }
    if (delete_ident) TIniFile::DeleteKey(section, ident);
  });
}

void TSafeIniFile::WriteString(const std::string& section, const std::string& ident,
                               const std::string& value) {
  WithContext("TSafeIniFile.WriteString", [&] {
    CheckSection(section);
    CheckIdent(ident);
    const SplitResult split = SplitValue(value, PlainMode);
    const auto& pieces = split.pieces;
    NamedMutexGuard guard(lock_.get());
    if (!PlainMode) DoDeleteKey(section, ident, false);
    DoWriteString(section, ident, pieces.empty() ? std::string() : pieces.front());
    if (pieces.size() > 1 && !PlainMode) {
      DoWriteString(section, ident + kCountSuffix, std::to_string(pieces.size()));
      DoWriteString(section, ident + kHashSuffix, std::to_string(split.first_piece_hash));
      for (std::size_t n = 2; n <= pieces.size(); ++n) {
        DoWriteString(section, ident + kLineSuffix + std::to_string(n), pieces[n - 1]);
      }
    }
    if (FlushAfterWrite) {
      RetryWrite([&] { TIniFile::UpdateFile(); });
    }
  });
}

TDateTime TSafeIniFile::ReadDate(const std::string& section, const std::string& name,
                                 TDateTime default_value) {
  const std::string text = ReadString(section, name, "");
  if (text.empty()) return default_value;
  return WithContext("TSafeIniFile.ReadDate",
                     [&] { return ParseIniDate(text).value_or(default_value); });
}

TDateTime TSafeIniFile::ReadDateTime(const std::string& section, const std::string& name,
                                     TDateTime default_value) {
  const std::string text = ReadString(section, name, "");
  if (text.empty()) return default_value;
  return WithContext("TSafeIniFile.ReadDateTime",
                     [&] { return ParseIniDateTime(text).value_or(default_value); });
}

double TSafeIniFile::ReadFloat(const std::string& section, const std::string& name,
                               double default_value) {
  const std::string text = ReadString(section, name, "");
  if (text.empty()) return default_value;
  return WithContext("TSafeIniFile.ReadFloat",
                     [&] { return ParseIniFloat(text).value_or(default_value); });
}

TDateTime TSafeIniFile::ReadTime(const std::string& section, const std::string& name,
                                 TDateTime default_value) {
  const std::string text = ReadString(section, name, "");
  if (text.empty()) return default_value;
  return WithContext("TSafeIniFile.ReadTime",
                     [&] { return ParseIniTime(text).value_or(default_value); });
}

void TSafeIniFile::WriteDate(const std::string& section, const std::string& name, TDateTime value) {
  WithContext("TSafeIniFile.WriteDate", [&] { TIniFile::WriteDate(section, name, value); });
}

void TSafeIniFile::WriteDateTime(const std::string& section, const std::string& name,
                                 TDateTime value) {
  WithContext("TSafeIniFile.WriteDateTime", [&] { TIniFile::WriteDateTime(section, name, value); });
}

void TSafeIniFile::WriteFloat(const std::string& section, const std::string& name, double value) {
  WithContext("TSafeIniFile.WriteFloat", [&] { TIniFile::WriteFloat(section, name, value); });
}

void TSafeIniFile::WriteTime(const std::string& section, const std::string& name, TDateTime value) {
  WithContext("TSafeIniFile.WriteTime", [&] { TIniFile::WriteTime(section, name, value); });
}

std::vector<std::string> TSafeIniFile::ReadSection(const std::string& section) {
  return WithContext("TSafeIniFile.ReadSection", [&] {
    CheckSection(section);
    NamedMutexGuard guard(lock_.get());
    return TIniFile::ReadSection(section);
  });
}

std::vector<std::string> TSafeIniFile::ReadSections() {
  NamedMutexGuard guard(lock_.get());
  return TIniFile::ReadSections();
}

std::vector<std::string> TSafeIniFile::ReadSectionValues(const std::string& section) {
  return WithContext("TSafeIniFile.ReadSectionValues", [&] {
    CheckSection(section);
    NamedMutexGuard guard(lock_.get());
    return TIniFile::ReadSectionValues(section);
  });
}

void TSafeIniFile::EraseSection(const std::string& section) {
  if (!FileExists(FileName())) return;
  WithContext("TSafeIniFile.EraseSection", [&] {
    CheckSection(section);
    NamedMutexGuard guard(lock_.get());
    TIniFile::EraseSection(section);
    if (FlushAfterWrite) UpdateFile();
  });
}

void TSafeIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  WithContext("TSafeIniFile.DeleteKey", [&] {
    CheckSection(section);
    CheckIdent(ident);
    NamedMutexGuard guard(lock_.get());
    if (PlainMode) {
      TIniFile::DeleteKey(section, ident);
    } else {
      DoDeleteKey(section, ident, true);
    }
    if (FlushAfterWrite) UpdateFile();
  });
}

void TSafeIniFile::UpdateFile() {
  NamedMutexGuard guard(lock_.get());
  TIniFile::UpdateFile();
}

}  // namespace brindle
