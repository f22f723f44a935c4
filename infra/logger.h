// TMirtLogger appends timestamped text lines to a log file that threads of one process and
// several processes (other programs of the suite too) share.
//
// Every line opens the file, appends and closes it again; nothing is held open between writes.
// Within a process the logger's FileLock serialises its file work; across processes a named
// lock derived from the file's path (MutexName) serialises every logger of that file, always
// taken after FileLock. The file is kept within MaxSize by rotating it into numbered archives
// (name000, name001, ... or name.0, name.1, ...) or by cutting it back in place, and optionally
// rid of lines older than MaxAge. A lazy logger hands its lines to the process's one background
// writer (infra/lazy_log_writer.h) instead of writing them itself.
//
// A failure to write never reaches the caller: it is recorded in ErrorLog, a second log in the
// temporary folder, and the line is lost. Only WriteFmt raises, for a bad argument list, and
// the constructor or SetFileName, when RaiseOnMutexError is set and no lock can be made.
//
// "Locked by another process": a program that must keep loggers out of a log file takes an
// exclusive flock() on it. A logger takes a shared flock() on each open without waiting; while
// it cannot, it retries every 10 ms for up to LogFileOpenTimeout ms, then gives up with "Log
// file open timeout". Loggers among themselves use the named lock, so their shared locks never
// conflict.
//
// Thread-safety: Write, WriteFmt, FormatLine, SetFileName, SetUseMutex and the accessors may be
// called from any thread. The plain setting fields (MaxSize ... Lazy) are to be set before the
// logger is shared between threads; changing them while other threads write is a data race.
#pragma once

#include <array>
#include <atomic>
#include <concepts>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/named_mutex.h"

namespace brindle {

enum TLogLevel : int {
  LogPlain = 0,
  LogInfo = 1,
  LogError = 2,
  LogFault = 3,
  LogWarning = 4,
  LogEvent = 5,
  LogDebug = 6,
  LogOther = 7,
};

// A set of levels 0..7, one bit per level.
using TLogLevels = std::uint8_t;
inline constexpr TLogLevels AllLogLevels = 0xFF;
constexpr TLogLevels LogLevelBit(int level) {
  return static_cast<TLogLevels>(1u << level);
}

// One marker character and one name text per level, in level order.
inline constexpr std::string_view LogLevelMarkers = "-+?!#$%@";
inline constexpr std::array<std::string_view, 8> LogLevelNames = {
    "", " [инфо]", " [ошиб]", " [сбой]", " [вним]", " [соб.]", " [отл.]", " [друг]"};

// Module-level settings.
inline std::atomic<int> LogFileOpenTimeout{200};  // ms an open retries while the file is locked
inline std::atomic<int> AgeCheckInterval{60};     // s between two age trimmings of one logger
inline std::atomic<bool> UseProcessFormatSettings{false};
inline std::atomic<bool> RaiseOnMutexError{false};
inline std::atomic<bool> DefaultUseMutex{true};
inline std::atomic<bool> DefaultLazy{false};

inline constexpr std::string_view DefaultLogDateTimeFormat = "dd/mm/yyyy hh:nn:ss.zzz";

// The record a time stamp is written and read back with. In DateTimeFormat "/" stands for
// DateSeparator and ":" for TimeSeparator; "c", "ddddd", "dddddd", "t" and "tt" stand for the
// formats below. Supported fields: d dd m mm yy yyyy h hh n nn s ss z zzz ("m" after an hour
// means minutes) and quoted text; any other character is written as it is.
struct TLogFormatSettings {
  std::string ShortDateFormat;
  std::string LongDateFormat;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  std::string DateSeparator;
  std::string TimeSeparator;
  std::string DecimalSeparator;
};

// The logger's own record: dd/mm/yyyy, hh:nn:ss.zzz, "." between date fields, ":" between time
// fields, "." as decimal separator, whatever the locale.
const TLogFormatSettings& LogFormatSettings();
// The separators and formats of the process's current C locale.
TLogFormatSettings ProcessFormatSettings();

// The 32-bit id of the calling thread, as the operating system numbers it.
std::uint32_t CurrentThreadId();

// One argument of WriteFmt. A text argument refers to the caller's text, which must outlive
// the call.
class TLogArg {
 public:
  // Implicit, so that WriteFmt takes a braced list of plain values.
  template <std::integral T>
  TLogArg(T value) {
    if constexpr (std::is_signed_v<T>) {
      value_ = static_cast<long long>(value);
    } else {
      value_ = static_cast<unsigned long long>(value);
    }
  }
  template <std::floating_point T>
  TLogArg(T value) : value_(static_cast<double>(value)) {}
  TLogArg(const char* text) : value_(std::string_view(text)) {}
  TLogArg(std::string_view text) : value_(text) {}
  TLogArg(const std::string& text) : value_(std::string_view(text)) {}

  using Value = std::variant<long long, unsigned long long, double, std::string_view>;
  const Value& Get() const { return value_; }

 private:
  Value value_;
};

// Formats like the suite's Format: "%" [index ":"] ["-"] [width] ["." precision] type, with
// the types d u x s f e g n and "%%". Raises EConvertError "Format '...' invalid or
// incompatible with argument" or "No argument for format '...'".
std::string FormatLogText(std::string_view format, std::initializer_list<TLogArg> args);

// Told of every new line of a logger that has it as NotifyWindow. PostMessage is called with
// the logger's locks held: it must only queue the message and return, never call the logger.
class TLogNotifyTarget {
 public:
  virtual ~TLogNotifyTarget() = default;
  virtual void PostMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

// An open log file and the shared lock that marks it as in use; both end with Close or the
// destructor. Move-only.
class TLogStream {
 public:
  TLogStream() = default;
  explicit TLogStream(int fd) : fd_(fd) {}
  TLogStream(TLogStream&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TLogStream& operator=(TLogStream&& other) noexcept;
  TLogStream(const TLogStream&) = delete;
  TLogStream& operator=(const TLogStream&) = delete;
  ~TLogStream() { Close(); }

  bool IsOpen() const { return fd_ >= 0; }
  int Handle() const { return fd_; }
  void Close() noexcept;

 private:
  int fd_ = -1;
};

enum class TLogOpenMode { fmCreate, fmOpenReadWrite };

class TLazyWriteThread;

class TMirtLogger {
 public:
  // Takes the log's path; a name without a folder is put in the program's folder. Starts the
  // logger module when nothing has started it yet. Raises only when RaiseOnMutexError is set
  // and the file's named lock cannot be made.
  explicit TMirtLogger(const std::string& file_name);
  // Waits while lines of this logger are queued for the lazy writer, then closes the lock.
  ~TMirtLogger();
  TMirtLogger(const TMirtLogger&) = delete;
  TMirtLogger& operator=(const TMirtLogger&) = delete;

  // Writes one line at a level 0..7; the time is used only on the lazy path (0 = now).
  // Never raises.
  void Write(std::string_view message, int level = LogPlain, TDateTime time = 0);
  // Writes the format filled with the arguments. A format that does not fit the arguments
  // raises, with the class of the formatting error, "Error args for string [format]: why",
  // and nothing is logged.
  void WriteFmt(std::string_view format, std::initializer_list<TLogArg> args, int level = LogPlain);

  // The line as it is written, without its CR LF; empty for a blank message.
  std::string FormatLine(std::string_view message, int level, std::uint32_t thread_id,
                         TDateTime time) const;

  // Opens a log file for appending, taking its shared lock. While another process holds the
  // file locked, retries every 10 ms until timeout_ms (negative: LogFileOpenTimeout) has passed,
  // then raises EOSError "Log file open timeout: <ms> ms (<system text>)"; 0 tries once. Other
  // failures raise EOSError at once.
  static TLogStream OpenLogStream(const std::string& file_name, TLogOpenMode mode,
                                  int timeout_ms = -1);

  // The file's lock name: the lower-cased path with each of " * / : < > ? \ | made "_".
  static std::string MutexName(std::string_view file_name);

  // An empty path changes nothing; otherwise the lock follows the new name.
  void SetFileName(const std::string& file_name);
  // False closes the lock; true makes the next SetFileName with another name open one.
  void SetUseMutex(bool use);
  std::string FileName() const;
  bool UseMutex() const;
  // The file's named lock, null when the logger works without one.
  NamedMutex* Mutex() const;

  // The most recent lines (at most MaxLines), kept while NotifyWindow is set.
  std::vector<std::string> Lines() const;
  // Lines of this logger queued for the lazy writer and not yet written.
  std::int32_t PendingCount() const { return pending_count_.load(); }
  // How many times this logger has opened its file, for checking the lazy path's batching.
  std::uint64_t OpenCount() const { return open_count_.load(); }

  // Settings.
  std::int64_t MaxSize = 1048576;  // bytes; 0 or less: no size limit
  bool TruncateInPlace = false;    // at a limit: cut back in place instead of rotating
  bool Active = true;              // false: every write does nothing
  std::string Prefix;              // put after the level name
  bool ShowThreadId = false;
  bool ShowProcessId = false;
  std::string DateTimeFormat{DefaultLogDateTimeFormat};
  bool ShowLevelMarker = false;         // the level's marker and a space start the line
  bool ShowLevelName = true;            // the level's name text follows the time stamp
  std::int32_t KeepArchives = 2;        // archives kept before a rotation; 0 or less: all
  std::int32_t DottedArchiveNames = 0;  // non-zero: archives are name.0, name.1, ...
  bool NoErrorReport = false;           // true: a failed write is not reported to ErrorLog
  TLogLevels Levels = AllLogLevels;
  TLogNotifyTarget* NotifyWindow = nullptr;  // not owned
  std::uint32_t NotifyMessage = 1345;
  std::int32_t MaxLines = 1024;
  double MaxAge = 0;               // days; 0 or less: no age trimming
  TDateTime LastAgeCheck = 0;      // when age trimming last ran; guarded by FileLock
  bool Lazy = DefaultLazy.load();  // hand lines to the lazy writer

 private:
  friend class TLazyWriteThread;

  // Writes a line, or a block of lines that already end in CR LF, under both locks; records
  // a failure in ErrorLog. Never raises.
  void WriteToFile(std::string_view message, int level, const std::string* block,
                   std::uint32_t thread_id, TDateTime time);
  void TrimBySize(TLogStream& stream);
  void TrimByAge(TLogStream& stream);
  void Rotate();
  // Keeps the file's bytes from offset on, moved to its start, through a temporary file.
  void KeepTail(TLogStream& stream, std::int64_t offset);
  void ReportFailure(const std::string& stage, const std::string& line, const std::string& error,
                     const std::string& error_class);
  // Keeps the line and tells NotifyWindow, when there is one.
  void Notify(std::string_view line, bool failed);
  std::string FormatTime(TDateTime time) const;

  mutable std::recursive_mutex file_lock_;  // FileLock: file work, file_name_, mutex_, use_mutex_
  mutable std::mutex lines_lock_;           // LinesLock: lines_; taken only under FileLock
  std::unique_ptr<NamedMutex> mutex_;
  std::string file_name_;
  bool use_mutex_ = DefaultUseMutex.load();
  std::deque<std::string> lines_;
  std::atomic<std::int32_t> pending_count_{0};  // changed under the writer's QueueLock
  std::vector<std::string> batch_;              // the lazy writer's formatting buffer
  std::atomic<std::uint64_t> open_count_{0};
};

// Starts the logger module: creates ErrorLog in the temporary folder. Runs by itself with the
// first logger; explicit calls start it again after FinalizeLoggerModule.
void InitLoggerModule();
// Ends the module: stops the lazy writer (after it has written what is queued), then frees
// ErrorLog. in_library: the logger lives in a loaded library rather than in a program.
// Also runs at process exit.
void FinalizeLoggerModule(bool in_library = false);
// The error log, "MirtLoggerErrorsWriter.log" in the temporary folder; null while the module
// is not running.
std::shared_ptr<TMirtLogger> ErrorLog();

}  // namespace brindle
