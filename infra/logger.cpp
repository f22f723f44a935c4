#include "infra/logger.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <typeinfo>

#include "infra/lazy_log_writer.h"
#include "platform/suite_root.h"
#include "platform/text.h"

namespace brindle {

namespace {

constexpr std::string_view kProcessIdText = "<P:%d>";
constexpr std::string_view kThreadIdText = "<T:%d>";
constexpr std::string_view kProcessThreadIdText = "<P:%d;T:%d>";
constexpr std::string_view kMutexErrorText = "Ошибка при создании объекта \"мьютекс\": %s";
constexpr std::string_view kWriteErrorText =
    "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>";
constexpr std::string_view kWriteFailedMark = "<Ошибка при записи в лог>";
constexpr std::string_view kOpenTimeoutText = "Log file open timeout: %d ms (%s)";
constexpr char kErrorLogName[] = "MirtLoggerErrorsWriter.log";

constexpr std::int64_t kAgeBlockSize = 32768;
constexpr std::int64_t kSearchWindow = 255;

bool IsLoggedLevel(int level) {
  return level >= 0 && level <= 7;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ---------------------------------------------------------------------------------------------
// Time stamps

enum class Field {
  kDay,
  kMonth,
  kYear,
  kHour,
  kMinute,
  kSecond,
  kMilli,
  kDateSep,
  kTimeSep,
  kText
};

struct Token {
  Field field;
  int width = 0;  // digits written: 1 = as many as needed, else zero-padded to this width
  std::string text;
};

void Tokenize(std::string_view format, const TLogFormatSettings& settings,
              std::vector<Token>& tokens, int depth) {
  const auto last_was_hour = [&] {
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
      if (it->field == Field::kText || it->field == Field::kDateSep ||
          it->field == Field::kTimeSep) {
        continue;
      }
      return it->field == Field::kHour;
    }
    return false;
  };
  const auto text = [&](std::string_view piece) {
    if (!tokens.empty() && tokens.back().field == Field::kText) {
      tokens.back().text += piece;
    } else {
      tokens.push_back({Field::kText, 0, std::string(piece)});
    }
  };
  // Composite formats may not expand into themselves for ever.
  const auto expand = [&](const std::string& inner) {
    if (depth < 2) {
      Tokenize(inner, settings, tokens, depth + 1);
    }
  };
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      std::size_t end = format.find(c, i + 1);
      if (end == std::string_view::npos) end = format.size();
      text(format.substr(i + 1, end - i - 1));
      i = std::min(end + 1, format.size());
      continue;
    }
    const char lower = AsciiLower(c);
    std::size_t run = 1;
    while (i + run < format.size() && AsciiLower(format[i + run]) == lower) ++run;
    const std::string_view letters = format.substr(i, run);
    switch (lower) {
      case 'c':
        run = 1;
        expand(settings.ShortDateFormat);
        text(" ");
        expand(settings.LongTimeFormat);
        break;
      case 'd':
        if (run <= 2) {
          tokens.push_back({Field::kDay, static_cast<int>(run), {}});
        } else if (run == 5) {
          expand(settings.ShortDateFormat);
        } else if (run == 6) {
          expand(settings.LongDateFormat);
        } else {
          text(letters);
        }
        break;
      case 'm':
        if (run > 2) {
          text(letters);
        } else {
          tokens.push_back(
              {last_was_hour() ? Field::kMinute : Field::kMonth, static_cast<int>(run), {}});
        }
        break;
      case 'y':
        tokens.push_back({Field::kYear, run <= 2 ? 2 : 4, {}});
        break;
      case 'h':
        tokens.push_back({Field::kHour, run == 1 ? 1 : 2, {}});
        break;
      case 'n':
        tokens.push_back({Field::kMinute, run == 1 ? 1 : 2, {}});
        break;
      case 's':
        tokens.push_back({Field::kSecond, run == 1 ? 1 : 2, {}});
        break;
      case 'z':
        tokens.push_back({Field::kMilli, run >= 3 ? 3 : 1, {}});
        break;
      case 't':
        if (run == 1) {
          expand(settings.ShortTimeFormat);
        } else if (run == 2) {
          expand(settings.LongTimeFormat);
        } else {
          text(letters);
        }
        break;
      case '/':
        run = 1;
        tokens.push_back({Field::kDateSep, 0, {}});
        break;
      case ':':
        run = 1;
        tokens.push_back({Field::kTimeSep, 0, {}});
        break;
      default:
        run = 1;
        text(format.substr(i, 1));
        break;
    }
    i += run;
  }
}

std::vector<Token> Tokenize(std::string_view format, const TLogFormatSettings& settings) {
  std::vector<Token> tokens;
  Tokenize(format, settings, tokens, 0);
  return tokens;
}

void AppendNumber(std::string& out, int value, int width) {
  const std::string digits = std::to_string(value);
  if (width > 1 && static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}

std::string FormatTokens(const std::vector<Token>& tokens, TDateTime value,
                         const TLogFormatSettings& settings) {
  const DateTimeFields f = DecodeDateTime(value);
  std::string out;
  for (const Token& token : tokens) {
    switch (token.field) {
      case Field::kDay:
        AppendNumber(out, f.day, token.width);
        break;
      case Field::kMonth:
        AppendNumber(out, f.month, token.width);
        break;
      case Field::kYear:
        AppendNumber(out, token.width == 2 ? f.year % 100 : f.year, token.width);
        break;
      case Field::kHour:
        AppendNumber(out, f.hour, token.width);
        break;
      case Field::kMinute:
        AppendNumber(out, f.minute, token.width);
        break;
      case Field::kSecond:
        AppendNumber(out, f.second, token.width);
        break;
      case Field::kMilli:
        AppendNumber(out, f.millisecond, token.width);
        break;
      case Field::kDateSep:
        out += settings.DateSeparator;
        break;
      case Field::kTimeSep:
        out += settings.TimeSeparator;
        break;
      case Field::kText:
        out += token.text;
        break;
    }
  }
  return out;
}

// Reads back what FormatTokens wrote. Without date fields the value falls on today.
std::optional<TDateTime> ParseTokens(std::string_view text, const std::vector<Token>& tokens,
                                     const TLogFormatSettings& settings) {
  std::size_t pos = 0;
  const auto number = [&](std::size_t min_digits, std::size_t max_digits) -> std::optional<int> {
    std::size_t n = 0;
    int value = 0;
    while (n < max_digits && pos + n < text.size() && text[pos + n] >= '0' &&
           text[pos + n] <= '9') {
      value = value * 10 + (text[pos + n] - '0');
      ++n;
    }
    if (n < min_digits) return std::nullopt;
    pos += n;
    return value;
  };
  const auto literal = [&](std::string_view expected) {
    if (text.substr(pos, expected.size()) != expected) return false;
    pos += expected.size();
    return true;
  };
  const TDateTime now = Now();
  const int this_year = DecodeDateTime(now).year;
  std::optional<int> year, month, day;
  int hour = 0, minute = 0, second = 0, milli = 0;
  for (const Token& token : tokens) {
    const std::size_t min_digits = token.width == 1 ? 1 : static_cast<std::size_t>(token.width);
    const std::size_t max_digits = token.width == 1 ? (token.field == Field::kMilli ? 3 : 2)
                                                    : static_cast<std::size_t>(token.width);
    std::optional<int> value;
    switch (token.field) {
      case Field::kDateSep:
        if (!literal(settings.DateSeparator)) return std::nullopt;
        continue;
      case Field::kTimeSep:
        if (!literal(settings.TimeSeparator)) return std::nullopt;
        continue;
      case Field::kText:
        if (!literal(token.text)) return std::nullopt;
        continue;
      default:
        value = number(min_digits, max_digits);
        if (!value) return std::nullopt;
        break;
    }
    switch (token.field) {
      case Field::kDay:
        day = *value;
        break;
      case Field::kMonth:
        month = *value;
        break;
      case Field::kYear:
        if (token.width == 2) {
          // The two-digit year nearest to this year.
          int full = this_year / 100 * 100 + *value;
          if (full > this_year + 50) full -= 100;
          if (full <= this_year - 50) full += 100;
          year = full;
        } else {
          year = *value;
        }
        break;
      case Field::kHour:
        hour = *value;
        break;
      case Field::kMinute:
        minute = *value;
        break;
      case Field::kSecond:
        second = *value;
        break;
      case Field::kMilli:
        milli = *value;
        break;
      default:
        break;
    }
  }
  if (pos != text.size()) return std::nullopt;
  const auto time = TryEncodeTime(hour, minute, second, milli);
  if (!time) return std::nullopt;
  if (!year && !month && !day) return std::floor(now) + *time;
  const auto date = TryEncodeDate(year.value_or(this_year), month.value_or(1), day.value_or(1));
  if (!date) return std::nullopt;
  return *date + *time;
}

// Turns a C-library date or time format into the logger's letters; the first separator found
// becomes the record's separator.
std::string FromLocaleFormat(std::string_view format, char sep_letter, std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      if (separator.empty()) separator = std::string(1, format[i]);
      out += sep_letter;
      continue;
    }
    switch (format[++i]) {
      case 'd':
        out += "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += "mm";
        break;
      case 'y':
        out += "yy";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'D':
        out += "mm/dd/yy";
        if (separator.empty()) separator = "/";
        break;
      case 'H':
      case 'I':
        out += "hh";
        break;
      case 'M':
        out += "nn";
        break;
      case 'S':
        out += "ss";
        break;
      case 'T':
        out += "hh:nn:ss";
        if (separator.empty()) separator = ":";
        break;
      default:
        break;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Format

[[noreturn]] void InvalidFormat(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string FormatFloat(double value, char type, std::optional<long long> precision) {
  char buffer[512];
  std::to_chars_result result{};
  switch (type) {
    case 'f':
    case 'n':
      result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                             static_cast<int>(std::min(precision.value_or(2), 100LL)));
      break;
    case 'e':
      result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                             static_cast<int>(std::clamp(precision.value_or(15), 1LL, 100LL) - 1));
      break;
    default:
      result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                             static_cast<int>(std::clamp(precision.value_or(15), 1LL, 100LL)));
      break;
  }
  std::string out(buffer, result.ec == std::errc() ? result.ptr : buffer);
  const std::size_t e = out.find('e');
  if (e != std::string::npos) {
    // Exponent as E+ddd.
    std::string digits = out.substr(e + 2);
    if (type == 'e' && digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    out = out.substr(0, e) + "E" + out[e + 1] + digits;
  }
  if (type == 'n') {
    const std::size_t begin = out[0] == '-' ? 1 : 0;
    std::size_t end = out.find('.');
    if (end == std::string::npos) end = out.size();
    for (std::size_t at = end; at > begin + 3;) {
      at -= 3;
      out.insert(at, ",");
    }
  }
  return out;
}

// Adds leading zeros to the digits of an integer text up to the precision.
std::string PadDigits(std::string digits, std::optional<long long> precision) {
  const std::size_t begin = !digits.empty() && digits[0] == '-' ? 1 : 0;
  const long long have = static_cast<long long>(digits.size() - begin);
  if (precision && *precision > have) {
    digits.insert(begin, static_cast<std::size_t>(*precision - have), '0');
  }
  return digits;
}

// ---------------------------------------------------------------------------------------------
// Files

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path, int error) {
  throw EOSError(what + " \"" + path + "\": " + SystemErrorText(error));
}

std::int64_t FileSize(int fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) RaiseFileError("Не удалось узнать размер файла", path, errno);
  return st.st_size;
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("Не удалось записать в файл", path, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void WriteAllAt(int fd, std::string_view bytes, std::int64_t offset, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("Не удалось записать в файл", path, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
}

// Reads up to size bytes at offset; fewer only at the end of the file.
std::size_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset,
                   const std::string& path) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("Не удалось прочитать файл", path, errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void CopyRange(int from, std::int64_t offset, std::int64_t length, int to, std::int64_t to_offset,
               const std::string& from_path, const std::string& to_path) {
  std::string buffer(65536, '\0');
  while (length > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(length, 65536));
    const std::size_t got = ReadAt(from, buffer.data(), want, offset, from_path);
    if (got == 0) RaiseFileError("Файл оказался короче ожидаемого", from_path, EIO);
    WriteAllAt(to, std::string_view(buffer.data(), got), to_offset, to_path);
    offset += static_cast<std::int64_t>(got);
    to_offset += static_cast<std::int64_t>(got);
    length -= static_cast<std::int64_t>(got);
  }
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string ProgramFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return exe.parent_path().string();
  return std::filesystem::current_path(error).string();
}

std::string ResolveFileName(const std::string& file_name) {
  const std::filesystem::path path(file_name);
  // A relative path with a folder would name different files, and different locks, in
  // processes that run in different folders.
  if (!path.has_parent_path()) return (std::filesystem::path(ProgramFolder()) / path).string();
  std::error_code error;
  const auto absolute = std::filesystem::absolute(path, error);
  return error ? file_name : absolute.string();
}

struct CaughtError {
  std::string message;
  std::string class_name;
};

CaughtError DescribeCurrentException() {
  try {
    throw;
  } catch (const Exception& e) {
    return {e.Message(), e.ClassName()};
  } catch (const std::exception& e) {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
    CaughtError caught{e.what(), status == 0 && name ? name : typeid(e).name()};
    std::free(name);
    return caught;
  } catch (...) {
    return {"unknown error", "unknown"};
  }
}

// Deletes a file when the scope ends, whatever happened.
class FileRemover {
 public:
  explicit FileRemover(std::string path) : path_(std::move(path)) {}
  ~FileRemover() { ::unlink(path_.c_str()); }
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;

 private:
  std::string path_;
};

// ---------------------------------------------------------------------------------------------
// Module state

enum class Phase { kNotStarted, kStarting, kRunning, kEnded };

std::mutex g_module_lock;
std::atomic<Phase> g_phase{Phase::kNotStarted};
bool g_exit_hook = false;  // guarded by g_module_lock
std::mutex g_error_log_lock;
std::shared_ptr<TMirtLogger> g_error_log;  // guarded by g_error_log_lock

void FinalizeAtExit() {
  FinalizeLoggerModule(false);
}

void EnsureModuleStarted() {
  if (g_phase.load() == Phase::kNotStarted) InitLoggerModule();
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const TLogFormatSettings& LogFormatSettings() {
  static const TLogFormatSettings settings{
      "dd/mm/yyyy", "dd/mm/yyyy", "hh:nn:ss.zzz", "hh:nn:ss.zzz", ".", ":", "."};
  return settings;
}

TLogFormatSettings ProcessFormatSettings() {
  TLogFormatSettings settings;
  settings.ShortDateFormat = FromLocaleFormat(nl_langinfo(D_FMT), '/', settings.DateSeparator);
  settings.LongDateFormat = settings.ShortDateFormat;
  settings.LongTimeFormat = FromLocaleFormat(nl_langinfo(T_FMT), ':', settings.TimeSeparator);
  settings.ShortTimeFormat = settings.LongTimeFormat;
  const std::size_t seconds = settings.ShortTimeFormat.rfind(":ss");
  if (seconds != std::string::npos) settings.ShortTimeFormat.erase(seconds, 3);
  if (settings.DateSeparator.empty()) settings.DateSeparator = "/";
  if (settings.TimeSeparator.empty()) settings.TimeSeparator = ":";
  const char* point = std::localeconv()->decimal_point;
  settings.DecimalSeparator = point && *point ? point : ".";
  return settings;
}

std::uint32_t CurrentThreadId() {
  thread_local const auto id = static_cast<std::uint32_t>(::gettid());
  return id;
}

std::string FormatLogText(std::string_view format, std::initializer_list<TLogArg> args) {
  std::string out;
  std::size_t next = 0;
  const auto argument = [&](std::size_t index) -> const TLogArg::Value& {
    if (index >= args.size()) {
      throw EConvertError("No argument for format '" + std::string(format) + "'");
    }
    return args.begin()[index].Get();
  };
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != '%') {
      out += format[i++];
      continue;
    }
    if (++i < format.size() && format[i] == '%') {
      out += format[i++];
      continue;
    }
    const auto read_number = [&]() -> std::optional<long long> {
      if (i < format.size() && format[i] == '*') {
        ++i;
        const auto& value = argument(next++);
        if (const auto* n = std::get_if<long long>(&value)) return *n;
        if (const auto* u = std::get_if<unsigned long long>(&value)) {
          return static_cast<long long>(*u);
        }
        InvalidFormat(format);
      }
      if (i >= format.size() || format[i] < '0' || format[i] > '9') return std::nullopt;
      long long value = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = std::min(value * 10 + (format[i++] - '0'), 1'000'000LL);
      }
      return value;
    };
    std::optional<long long> width = read_number();
    if (width && i < format.size() && format[i] == ':') {
      ++i;
      next = static_cast<std::size_t>(*width);
      width.reset();
    }
    bool left = false;
    if (!width && i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    if (!width) width = read_number();
    std::optional<long long> precision;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = read_number().value_or(0);
    }
    if (i >= format.size()) InvalidFormat(format);
    const char type = AsciiLower(format[i++]);
    const TLogArg::Value& value = argument(next++);
    const auto* as_signed = std::get_if<long long>(&value);
    const auto* as_unsigned = std::get_if<unsigned long long>(&value);
    std::string piece;
    switch (type) {
      case 'd':
      case 'u':
        if (as_signed) {
          piece = type == 'd' ? std::to_string(*as_signed)
                              : std::to_string(static_cast<unsigned long long>(*as_signed));
        } else if (as_unsigned) {
          piece = std::to_string(*as_unsigned);
        } else {
          InvalidFormat(format);
        }
        piece = PadDigits(piece, precision);
        break;
      case 'x': {
        if (!as_signed && !as_unsigned) InvalidFormat(format);
        const unsigned long long bits =
            as_signed ? static_cast<unsigned long long>(*as_signed) : *as_unsigned;
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
        piece.assign(buffer, result.ptr);
        for (char& c : piece) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        piece = PadDigits(piece, precision);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n': {
        const auto* real = std::get_if<double>(&value);
        if (!real) InvalidFormat(format);
        piece = FormatFloat(*real, type, precision);
        break;
      }
      case 's': {
        const auto* text = std::get_if<std::string_view>(&value);
        if (!text) InvalidFormat(format);
        piece = precision ? std::string(LeftChars(*text, static_cast<std::size_t>(*precision)))
                          : std::string(*text);
        break;
      }
      default:
        InvalidFormat(format);
    }
    const std::size_t chars = CharCount(piece);
    if (width && static_cast<std::size_t>(*width) > chars) {
      const std::string padding(static_cast<std::size_t>(*width) - chars, ' ');
      piece = left ? piece + padding : padding + piece;
    }
    out += piece;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------

TLogStream& TLogStream::operator=(TLogStream&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void TLogStream::Close() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);  // also drops the file's lock
    fd_ = -1;
  }
}

// ---------------------------------------------------------------------------------------------

TMirtLogger::TMirtLogger(const std::string& file_name) {
  EnsureModuleStarted();
  SetFileName(file_name);
}

TMirtLogger::~TMirtLogger() {
  if (pending_count_.load() > 0) {
    if (auto writer = LazyWriter()) writer->Wake();
    while (pending_count_.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  SetUseMutex(false);
}

std::string TMirtLogger::MutexName(std::string_view file_name) {
  std::string name = LowerCase(file_name);
  for (char& c : name) {
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  }
  return name;
}

void TMirtLogger::SetFileName(const std::string& file_name) {
  if (file_name.empty()) return;
  const std::string full = ResolveFileName(file_name);
  std::lock_guard file_guard(file_lock_);
  // Names are compared exactly: on this system two names that differ in case are two files.
  if ((mutex_ || !use_mutex_) && full == file_name_) return;
  mutex_.reset();
  file_name_ = full;
  if (!use_mutex_) return;
  errno = 0;
  mutex_ = NamedMutex::Open(MutexName(full));
  if (!mutex_ && RaiseOnMutexError) {
    throw EOSError(FormatLogText(kMutexErrorText, {SystemErrorText(errno)}));
  }
}

void TMirtLogger::SetUseMutex(bool use) {
  std::lock_guard file_guard(file_lock_);
  use_mutex_ = use;
  if (!use) mutex_.reset();
}

std::string TMirtLogger::FileName() const {
  std::lock_guard file_guard(file_lock_);
  return file_name_;
}

bool TMirtLogger::UseMutex() const {
  std::lock_guard file_guard(file_lock_);
  return use_mutex_;
}

NamedMutex* TMirtLogger::Mutex() const {
  std::lock_guard file_guard(file_lock_);
  return mutex_.get();
}

std::vector<std::string> TMirtLogger::Lines() const {
  std::lock_guard lines_guard(lines_lock_);
  return {lines_.begin(), lines_.end()};
}

void TMirtLogger::Write(std::string_view message, int level, TDateTime time) {
  try {
    // Level filtering happens here for both paths, so a lazy logger writes exactly the levels
    // a direct one would.
    if (!Active || !IsLoggedLevel(level) || !(Levels & LogLevelBit(level))) return;
    if (Lazy && !LazyShutdown.load()) {
      if (const auto writer = EnsureLazyWriter(); writer &&
                                                  writer->ThreadId() != CurrentThreadId() &&
                                                  writer->Enqueue(*this, level, time, message)) {
        return;
      }
    }
    WriteToFile(message, level, nullptr, CurrentThreadId(), Now());
  } catch (...) {
    // Out of memory at worst; a log line is not worth the caller's failure.
  }
}

void TMirtLogger::WriteFmt(std::string_view format, std::initializer_list<TLogArg> args,
                           int level) {
  std::string text;
  try {
    text = FormatLogText(format, args);
  } catch (const Exception& e) {
    e.RaiseWithMessage("Error args for string [" + std::string(format) + "]: " + e.Message());
  }
  Write(text, level);
}

std::string TMirtLogger::FormatTime(TDateTime time) const {
  const TLogFormatSettings settings =
      UseProcessFormatSettings ? ProcessFormatSettings() : LogFormatSettings();
  return FormatTokens(Tokenize(DateTimeFormat, settings), time, settings);
}

std::string TMirtLogger::FormatLine(std::string_view message, int level, std::uint32_t thread_id,
                                    TDateTime time) const {
  const std::string_view text = Trim(message);
  if (text.empty()) return {};
  std::string line;
  line.reserve(text.size() + 64);
  const bool known_level = IsLoggedLevel(level);
  if (ShowLevelMarker && known_level) {
    line += LogLevelMarkers[static_cast<std::size_t>(level)];
    line += ' ';
  }
  line += FormatTime(time);
  if (ShowLevelName && known_level) line += LogLevelNames[static_cast<std::size_t>(level)];
  if (!Prefix.empty()) {
    line += ' ';
    line += Prefix;
  }
  const auto pid = static_cast<long long>(::getpid());
  if (ShowProcessId && ShowThreadId) {
    line += ' ';
    line += FormatLogText(kProcessThreadIdText, {pid, thread_id});
  } else if (ShowProcessId) {
    line += ' ';
    line += FormatLogText(kProcessIdText, {pid});
  } else if (ShowThreadId) {
    line += ' ';
    line += FormatLogText(kThreadIdText, {thread_id});
  }
  line += ' ';
  line += text;
  return line;
}

TLogStream TMirtLogger::OpenLogStream(const std::string& file_name, TLogOpenMode mode,
                                      int timeout_ms) {
  if (timeout_ms < 0) timeout_ms = LogFileOpenTimeout.load();
  const int flags = O_RDWR | O_APPEND | O_CLOEXEC | (mode == TLogOpenMode::fmCreate ? O_CREAT : 0);
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int error = 0;
    TLogStream stream(::open(file_name.c_str(), flags, 0666));
    if (!stream.IsOpen()) {
      error = errno;
    } else {
      int result = 0;
      do {
        result = ::flock(stream.Handle(), LOCK_SH | LOCK_NB);
      } while (result != 0 && errno == EINTR);
      if (result == 0) return stream;
      error = errno;
    }
    const bool locked = error == EWOULDBLOCK;
    if (timeout_ms == 0 || !locked) {
      RaiseFileError("Не удалось открыть файл", file_name, error);
    }
    if (Clock::now() >= deadline) {
      throw EOSError(FormatLogText(kOpenTimeoutText, {timeout_ms, SystemErrorText(error)}));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void TMirtLogger::WriteToFile(std::string_view message, int level, const std::string* block,
                              std::uint32_t thread_id, TDateTime time) {
  try {
    if (!Active) return;
    // A block was filtered line by line when it was queued.
    if (!block && (!IsLoggedLevel(level) || !(Levels & LogLevelBit(level)))) return;
    std::lock_guard file_guard(file_lock_);
    if (file_name_.empty()) return;

    std::string formatted;  // a line and its CR LF
    std::string_view text;
    std::string_view line;
    if (block) {
      text = line = *block;
    } else {
      formatted = FormatLine(message, level, thread_id, time) + "\r\n";
      text = formatted;
      line = text.substr(0, text.size() - 2);
    }

    std::string stage = "Mutex";
    std::optional<CaughtError> failure;
    NamedMutex* const mutex = mutex_.get();
    struct Unlock {
      NamedMutex* mutex = nullptr;
      ~Unlock() {
        if (mutex) mutex->Unlock();
      }
    } unlock;
    try {
      if (mutex) {
        mutex->Lock();
        unlock.mutex = mutex;
      }
      const bool exists = FileExists(file_name_);
      stage = exists ? "fmOpenReadWrite" : "fmCreate";
      TLogStream stream = OpenLogStream(
          file_name_, exists ? TLogOpenMode::fmOpenReadWrite : TLogOpenMode::fmCreate, -1);
      ++open_count_;
      stage += "-OK";
      const std::int64_t before = FileSize(stream.Handle(), file_name_);
      try {
        WriteAll(stream.Handle(), text, file_name_);
      } catch (...) {
        // Take back a part of the line, unless someone else has appended meanwhile.
        const std::int64_t after = FileSize(stream.Handle(), file_name_);
        if (after > before && after < before + static_cast<std::int64_t>(text.size())) {
          [[maybe_unused]] const int ignored = ::ftruncate(stream.Handle(), before);
        }
        throw;
      }
      stage += ";ProcessFile...";
      const std::int64_t size = FileSize(stream.Handle(), file_name_);
      if (MaxSize > 0 && size > MaxSize + MaxSize / 3) {
        TrimBySize(stream);
      } else {
        TrimByAge(stream);
      }
      stream.Close();
    } catch (...) {
      failure = DescribeCurrentException();
    }
    if (failure && !NoErrorReport) {
      ReportFailure(stage, std::string(line), failure->message, failure->class_name);
    }
    Notify(line, failure.has_value());
  } catch (...) {
    // Nothing may reach the caller, not even a failure to report a failure.
  }
}

void TMirtLogger::ReportFailure(const std::string& stage, const std::string& line,
                                const std::string& error, const std::string& error_class) {
  const auto log = ErrorLog();
  if (!log) return;
  log->Write(FormatLogText(kWriteErrorText, {stage, file_name_, Trim(line), error, error_class}),
             LogPlain);
}

void TMirtLogger::Notify(std::string_view line, bool failed) {
  if (!NotifyWindow || NotifyMessage == 0) return;
  {
    std::lock_guard lines_guard(lines_lock_);
    lines_.emplace_back(line);
    if (failed) {
      lines_.back() += ' ';
      lines_.back() += kWriteFailedMark;
    }
    const auto keep = static_cast<std::size_t>(std::max(MaxLines, 0));
    while (lines_.size() > keep) lines_.pop_front();
  }
  NotifyWindow->PostMessage(NotifyMessage, 0, 0);
}

void TMirtLogger::TrimBySize(TLogStream& stream) {
  if (!TruncateInPlace) {
    stream.Close();
    Rotate();
    return;
  }
  const int fd = stream.Handle();
  const std::int64_t size = FileSize(fd, file_name_);
  if (size <= MaxSize + kSearchWindow) return;
  const std::int64_t cut = size - MaxSize;
  // A CR right before an LF at the cut point does not end a line there: the LF does.
  char at_cut = 0;
  ReadAt(fd, &at_cut, 1, cut, file_name_);
  char window[kSearchWindow];
  std::int64_t passed = 0;
  bool found = false;
  for (std::int64_t pos = cut; !found && pos >= kSearchWindow; pos -= kSearchWindow) {
    ReadAt(fd, window, kSearchWindow, pos - kSearchWindow, file_name_);
    for (std::int64_t k = kSearchWindow - 1; k >= 0; --k) {
      const char c = window[k];
      const bool cr_of_crlf_at_cut =
          c == '\r' && pos - kSearchWindow + k == cut - 1 && at_cut == '\n';
      if ((c == '\r' || c == '\n') && !cr_of_crlf_at_cut) {
        found = true;
        break;
      }
      ++passed;
    }
  }
  KeepTail(stream, cut - (found ? passed : 0));
}

void TMirtLogger::KeepTail(TLogStream& stream, std::int64_t offset) {
  const int fd = stream.Handle();
  const std::int64_t size = FileSize(fd, file_name_);
  const std::string temp_name =
      file_name_ + "_" + std::to_string(::getpid()) + "_" + std::to_string(CurrentThreadId());
  FileRemover remover(temp_name);
  TLogStream temp(::open(temp_name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!temp.IsOpen()) RaiseFileError("Не удалось создать файл", temp_name, errno);
  const std::int64_t tail = size - offset;
  CopyRange(fd, offset, tail, temp.Handle(), 0, file_name_, temp_name);
  // Positioned writes need the file out of append mode.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_APPEND) != 0) {
    RaiseFileError("Не удалось изменить режим файла", file_name_, errno);
  }
  if (::ftruncate(fd, tail) != 0)
    RaiseFileError("Не удалось изменить размер файла", file_name_, errno);
  CopyRange(temp.Handle(), 0, tail, fd, 0, temp_name, file_name_);
}

void TMirtLogger::Rotate() {
  namespace fs = std::filesystem;
  const fs::path log_path(file_name_);
  const std::string log_name = log_path.filename().string();
  const fs::path folder = log_path.parent_path();

  // Archives are the log's own name followed by a number, or by "." and a number; this leaves
  // out the log itself and the temporary files of in-place trimming.
  std::vector<std::pair<std::uint64_t, fs::path>> archives;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kind_error;
    if (it->is_directory(kind_error)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() <= log_name.size() || name.compare(0, log_name.size(), log_name) != 0) continue;
    std::string_view number = std::string_view(name).substr(log_name.size());
    if (number.front() == '.') number.remove_prefix(1);
    std::uint64_t value = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || parsed.ec != std::errc() || parsed.ptr != number.data() + number.size()) {
      continue;
    }
    archives.emplace_back(value, it->path());
  }
  if (error) RaiseFileError("Не удалось прочитать папку", folder.string(), error.value());
  std::stable_sort(archives.begin(), archives.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  const auto archive_name = [&](std::uint64_t number) {
    if (DottedArchiveNames != 0) return file_name_ + "." + std::to_string(number);
    std::string digits = std::to_string(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return file_name_ + digits;
  };
  const auto move_file = [](const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
      const int rename_error = errno;
      throw EOSError("Не удалось переименовать \"" + from + "\" в \"" + to +
                     "\": " + SystemErrorText(rename_error));
    }
  };

  if (KeepArchives > 0) {
    while (archives.size() > static_cast<std::size_t>(KeepArchives)) {
      if (::unlink(archives.back().second.c_str()) != 0 && errno != ENOENT) {
        RaiseFileError("Не удалось удалить файл", archives.back().second.string(), errno);
      }
      archives.pop_back();
    }
  }
  for (auto it = archives.rbegin(); it != archives.rend(); ++it) {
    move_file(it->second.string(), archive_name(it->first + 1));
  }
  move_file(file_name_, archive_name(0));
}

void TMirtLogger::TrimByAge(TLogStream& stream) {
  if (MaxAge <= 0) return;
  const int fd = stream.Handle();
  const std::int64_t size = FileSize(fd, file_name_);
  if (size <= kAgeBlockSize) return;
  if (Now() - LastAgeCheck <= AgeCheckInterval.load() / kSecondsPerDay) return;
  struct Finish {
    TMirtLogger& logger;
    TLogStream& stream;
    ~Finish() {
      stream.Close();
      logger.LastAgeCheck = Now();
    }
  } finish{*this, stream};

  const TLogFormatSettings settings =
      UseProcessFormatSettings ? ProcessFormatSettings() : LogFormatSettings();
  const std::vector<Token> tokens = Tokenize(DateTimeFormat, settings);
  const TDateTime now = Now();
  const std::size_t stamp_length = FormatTokens(tokens, now, settings).size();

  // Every line start is looked at, also where a line crosses from one block into the next:
  // a young line that was passed over would be cut away with the old ones before it.
  std::string buffer;
  std::int64_t buffer_offset = 0;  // file offset of buffer[0]
  std::int64_t read_offset = 0;
  bool at_end = false;
  const auto read_more = [&] {
    const std::size_t old_size = buffer.size();
    buffer.resize(old_size + kAgeBlockSize);
    const std::size_t got =
        ReadAt(fd, buffer.data() + old_size, kAgeBlockSize, read_offset, file_name_);
    buffer.resize(old_size + got);
    read_offset += static_cast<std::int64_t>(got);
    at_end = got == 0 || read_offset >= size;
  };
  const auto drop_before = [&](std::size_t index) {
    buffer.erase(0, index);
    buffer_offset += static_cast<std::int64_t>(index);
  };

  bool first = true;
  bool parsed_any = false;
  std::optional<std::int64_t> cut;
  std::size_t line_start = 0;
  read_more();
  for (;;) {
    while (!at_end && buffer.size() - line_start < stamp_length + 2) {
      drop_before(line_start);
      line_start = 0;
      read_more();
    }
    if (line_start >= buffer.size()) break;
    std::string_view stamp = std::string_view(buffer).substr(line_start, stamp_length + 2);
    if (stamp.size() >= 2 && LogLevelMarkers.find(stamp[0]) != std::string_view::npos &&
        stamp[1] == ' ') {
      stamp.remove_prefix(2);
    }
    if (stamp.size() >= stamp_length) {
      if (const auto written = ParseTokens(stamp.substr(0, stamp_length), tokens, settings)) {
        const double age = now - *written;
        if (first && age < MaxAge * 4 / 3) return;  // young enough as a whole
        first = false;
        parsed_any = true;
        if (age < MaxAge) {
          cut = buffer_offset + static_cast<std::int64_t>(line_start);
          break;
        }
      }
    }
    std::size_t line_feed = buffer.find('\n', line_start);
    while (line_feed == std::string::npos && !at_end) {
      drop_before(buffer.size());
      read_more();
      line_feed = buffer.find('\n');
    }
    if (line_feed == std::string::npos) break;
    line_start = line_feed + 1;
  }

  if (!cut && !parsed_any) return;
  if (!TruncateInPlace) {
    stream.Close();
    Rotate();
  } else if (cut) {
    KeepTail(stream, *cut);
  } else if (::ftruncate(fd, 0) != 0) {
    // Every dated line is older than MaxAge; undated lines belong to the dated line before.
    RaiseFileError("Не удалось изменить размер файла", file_name_, errno);
  }
}

// ---------------------------------------------------------------------------------------------

void InitLoggerModule() {
  std::lock_guard module_guard(g_module_lock);
  if (g_phase.load() == Phase::kRunning) return;
  const Phase previous = g_phase.exchange(Phase::kStarting);
  try {
    // The level tables and LogFormatSettings are constants; ErrorLog is the one object to make.
    auto log = std::make_shared<TMirtLogger>(TempFolder() + kErrorLogName);
    log->TruncateInPlace = true;
    log->NoErrorReport = true;
    {
      std::lock_guard error_log_guard(g_error_log_lock);
      g_error_log = std::move(log);
    }
    LazyShutdown = false;
  } catch (...) {
    g_phase = previous;
    throw;
  }
  g_phase = Phase::kRunning;
  if (!g_exit_hook) {
    std::atexit(FinalizeAtExit);
    g_exit_hook = true;
  }
}

void FinalizeLoggerModule(bool in_library) {
  std::lock_guard module_guard(g_module_lock);
  if (g_phase.load() != Phase::kRunning) return;
  StopLazyWriter(in_library);
  std::shared_ptr<TMirtLogger> log;
  {
    std::lock_guard error_log_guard(g_error_log_lock);
    log.swap(g_error_log);
  }
  log.reset();
  g_phase = Phase::kEnded;
}

std::shared_ptr<TMirtLogger> ErrorLog() {
  std::lock_guard error_log_guard(g_error_log_lock);
  return g_error_log;
}

}  // namespace brindle
