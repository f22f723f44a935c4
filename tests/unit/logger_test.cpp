#include "infra/logger.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <thread>

#include "infra/lazy_log_writer.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/logger_module_fixture.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ReadFile;
using testing::WriteFile;

constexpr std::int64_t kDefaultLimit = 1048576 + 1048576 / 3;  // 1398101
constexpr std::size_t kStampLength = 23;                       // dd.mm.yyyy hh:nn:ss.zzz
const char kStampPattern[] = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})";

std::string Stamp(TDateTime time) {
  const DateTimeFields f = DecodeDateTime(time);
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d.%03d", f.day, f.month, f.year,
                f.hour, f.minute, f.second, f.millisecond);
  return text;
}

std::string RegexEscape(const std::string& text) {
  static const std::regex metacharacters(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, metacharacters, R"(\$&)");
}

// Bytes of line-shaped filler: 99 characters and CR LF, the last line cut to fit the size.
std::string Filler(std::size_t size, char c = 'x') {
  std::string text(size, c);
  for (std::size_t i = 0; i < size; ++i) {
    if (i % 101 == 99) text[i] = '\r';
    if (i % 101 == 100) text[i] = '\n';
  }
  return text;
}

std::int64_t SizeOf(const std::string& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

bool Exists(const std::string& path) {
  return fs::exists(path);
}

int CountOf(const std::string& text, const std::string& piece) {
  int count = 0;
  for (std::size_t pos = text.find(piece); pos != std::string::npos;
       pos = text.find(piece, pos + piece.size())) {
    ++count;
  }
  return count;
}

class RecordingWindow : public TLogNotifyTarget {
 public:
  void PostMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    posted.push_back({message, wparam, static_cast<std::uintptr_t>(lparam)});
  }
  std::vector<std::array<std::uintptr_t, 3>> posted;
};

class LoggerTest : public testing::LoggerModuleTest {
 protected:
  void TearDown() override {
    LoggerModuleTest::TearDown();
    LogFileOpenTimeout = 200;
    AgeCheckInterval = 60;
    RaiseOnMutexError = false;
    UseProcessFormatSettings = false;
  }
  std::string ErrorLogText() { return ReadFile(dir / "MirtLoggerErrorsWriter.log"); }
  // The line a message makes under the default settings, time stamp left open.
  std::size_t LineSize(const std::string& message) { return kStampLength + 1 + message.size() + 2; }

  std::string log = dir / "test.log";
};

// ---------------------------------------------------------------------------------------------
// Lines

TEST_F(LoggerTest, LineIsTimeStampLevelNameAndTrimmedMessage) {
  TMirtLogger logger(log);
  const TDateTime time = EncodeDateTime({2026, 12, 7, 20, 24, 4, 123});
  EXPECT_EQ(logger.FormatLine(" \tПрограмма запущена\r\n", LogPlain, 1, time),
            "07.12.2026 20:24:04.123 Программа запущена");
  EXPECT_EQ(logger.FormatLine("Поток остановлен", LogWarning, 1, time),
            "07.12.2026 20:24:04.123 [вним] Поток остановлен");
  EXPECT_EQ(logger.FormatLine("x", LogOther, 1, time), "07.12.2026 20:24:04.123 [друг] x");
  EXPECT_EQ(logger.FormatLine(" \r\n\t", LogWarning, 1, time), "");

  logger.Write("Программа запущена");
  logger.Write("Внимание", LogWarning);
  EXPECT_TRUE(std::regex_match(
      ReadFile(log), std::regex(std::string("^") + kStampPattern + " Программа запущена\r\n" +
                                kStampPattern + R"( \[вним\] Внимание\r\n$)")));
}

TEST_F(LoggerTest, OptionalPartsOfALineComeInTheirOrder) {
  TMirtLogger logger(log);
  const TDateTime time = EncodeDateTime({2026, 1, 2, 3, 4, 5, 6});
  const std::string pid = std::to_string(::getpid());
  logger.ShowLevelMarker = true;
  logger.Prefix = "[копия]";
  logger.ShowProcessId = true;
  logger.ShowThreadId = true;
  EXPECT_EQ(logger.FormatLine("m", LogWarning, 77, time),
            "# 02.01.2026 03:04:05.006 [вним] [копия] <P:" + pid + ";T:77> m");
  logger.ShowThreadId = false;
  EXPECT_EQ(logger.FormatLine("m", LogInfo, 77, time),
            "+ 02.01.2026 03:04:05.006 [инфо] [копия] <P:" + pid + "> m");
  logger.ShowProcessId = false;
  logger.ShowThreadId = true;
  logger.ShowLevelName = false;
  logger.Prefix.clear();
  EXPECT_EQ(logger.FormatLine("m", LogDebug, 77, time), "% 02.01.2026 03:04:05.006 <T:77> m");
}

TEST_F(LoggerTest, TimeStampFollowsDateTimeFormatAndChosenSeparators) {
  TMirtLogger logger(log);
  const TDateTime time = EncodeDateTime({2026, 3, 9, 7, 5, 4, 30});
  logger.DateTimeFormat = "yyyy/mm/dd h:m 'at' zzz";
  EXPECT_EQ(logger.FormatLine("m", 0, 1, time), "2026.03.09 7:5 at 030 m");
  logger.DateTimeFormat = "c";
  EXPECT_EQ(logger.FormatLine("m", 0, 1, time), "09.03.2026 07:05:04.030 m");
  logger.DateTimeFormat = "d/m/yy hh:nn:ss.z";
  EXPECT_EQ(logger.FormatLine("m", 0, 1, time), "9.3.26 07:05:04.30 m");

  // The C locale's date order is not the logger's; only its separators are taken.
  logger.DateTimeFormat = std::string(DefaultLogDateTimeFormat);
  UseProcessFormatSettings = true;
  EXPECT_EQ(logger.FormatLine("m", 0, 1, time), "09/03/2026 07:05:04.030 m");
}

TEST_F(LoggerTest, BlankMessageWritesABareLineBreak) {
  TMirtLogger logger(log);
  logger.Write("a");
  logger.Write(" \t \r\n");
  logger.Write("");
  const std::string text = ReadFile(log);
  EXPECT_TRUE(text.ends_with(" a\r\n\r\n\r\n")) << text;
  EXPECT_EQ(CountOf(text, "\r\n"), 3);
}

TEST_F(LoggerTest, OnlyActiveLoggersWriteAndOnlyTheirLevels) {
  TMirtLogger logger(log);
  logger.Levels = AllLogLevels & ~LogLevelBit(LogDebug);
  logger.Write("отладка", LogDebug);
  logger.Write("уровень 8", 8);
  logger.Write("уровень -1", -1);
  logger.Write("другое", LogOther);
  logger.Active = false;
  logger.Write("неактивен");
  const std::string text = ReadFile(log);
  EXPECT_EQ(CountOf(text, "\r\n"), 1) << text;
  EXPECT_NE(text.find(" [друг] другое\r\n"), std::string::npos);
}

TEST_F(LoggerTest, WriteFmtFillsTheArgumentsOrRaisesAndLogsNothing) {
  TMirtLogger logger(log);
  logger.WriteFmt("Обработка таблицы [%s]: скопировано %d записей", {"GOODS", 12});
  logger.WriteFmt("%1:s-%0:s %s|%-4s|%4d|%.3d|%x|%.2f|%%", {"a", "b", "ж", -7, 5, 255, 3.14159},
                  LogWarning);
  const std::string text = ReadFile(log);
  EXPECT_NE(text.find(" Обработка таблицы [GOODS]: скопировано 12 записей\r\n"), std::string::npos);
  // After an index the next argument follows it; widths count characters, not bytes.
  EXPECT_NE(text.find(" [вним] b-a b|ж   |  -7|005|FF|3.14|%\r\n"), std::string::npos) << text;

  try {
    logger.WriteFmt("Таблица %d", {"GOODS"});
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(),
              "Error args for string [Таблица %d]: Format 'Таблица %d' invalid or incompatible "
              "with argument");
  }
  try {
    logger.WriteFmt("%s и %s", {"одна"});
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Error args for string [%s и %s]: No argument for format '%s и %s'");
  }
  EXPECT_THROW(logger.WriteFmt("%y", {1}), EConvertError);
  EXPECT_EQ(ReadFile(log), text);
}

// ---------------------------------------------------------------------------------------------
// File name and named lock

TEST_F(LoggerTest, LockNameIsTheCleanedLowerCasePath) {
  EXPECT_EQ(TMirtLogger::MutexName("C:\\ZEMT\\LogFiles\\Brindle.log"),
            "c__zemt_logfiles_brindle.log");
  EXPECT_EQ(TMirtLogger::MutexName("/Журнал/A\"*<>?|.Log"), "_журнал_a______.log");

  TMirtLogger logger(log);
  ASSERT_NE(logger.Mutex(), nullptr);
  EXPECT_EQ(logger.Mutex()->FilePath(), dir / "locks/" + TMirtLogger::MutexName(log));
}

TEST_F(LoggerTest, FileNameRulesAndTheLockFollowingTheName) {
  TMirtLogger logger(log);
  logger.SetFileName("");
  EXPECT_EQ(logger.FileName(), log);

  logger.SetFileName("bare.log");
  const std::string program_folder = fs::read_symlink("/proc/self/exe").parent_path().string();
  EXPECT_EQ(logger.FileName(), program_folder + "/bare.log");
  EXPECT_EQ(logger.Mutex()->FilePath(),
            dir / "locks/" + TMirtLogger::MutexName(program_folder + "/bare.log"));

  // Names differing in case are different files here.
  logger.SetFileName(dir / "TEST.log");
  EXPECT_EQ(logger.FileName(), dir / "TEST.log");

  logger.SetUseMutex(false);
  EXPECT_EQ(logger.Mutex(), nullptr);
  logger.SetFileName(log);
  EXPECT_EQ(logger.Mutex(), nullptr);
  logger.Write("без блокировки");
  EXPECT_NE(ReadFile(log).find(" без блокировки\r\n"), std::string::npos);

  // With the lock switched on again, the same name opens it.
  logger.SetUseMutex(true);
  EXPECT_EQ(logger.Mutex(), nullptr);
  logger.SetFileName(log);
  EXPECT_NE(logger.Mutex(), nullptr);
}

TEST_F(LoggerTest, WithoutANamedLockTheLoggerWorksUnlessToldToRaise) {
  WriteFile(dir / "not-a-dir", "");
  setenv("ZEMT_LOCK_DIR", (dir / "not-a-dir").c_str(), 1);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> saved_runtime =
      runtime ? std::optional<std::string>(runtime) : std::nullopt;
  unsetenv("XDG_RUNTIME_DIR");

  {
    TMirtLogger logger(log);
    EXPECT_EQ(logger.Mutex(), nullptr);
    logger.Write("строка");
    EXPECT_NE(ReadFile(log).find(" строка\r\n"), std::string::npos);
  }
  RaiseOnMutexError = true;
  try {
    TMirtLogger logger(log);
    ADD_FAILURE() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message().rfind("Ошибка при создании объекта \"мьютекс\": ", 0), 0u) << e.Message();
  }
  if (saved_runtime) setenv("XDG_RUNTIME_DIR", saved_runtime->c_str(), 1);
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST_F(LoggerTest, FailedWriteStaysWithTheLoggerAndLeavesOneErrorEntry) {
  const std::string missing = dir / "missing/test.log";
  TMirtLogger logger(missing);
  RecordingWindow window;
  logger.NotifyWindow = &window;
  EXPECT_NO_THROW(logger.Write("строка"));

  const std::string expected = std::string("^") + kStampPattern +
                               " Ошибка при попытке записи \\(fmCreate\\) в лог \"" +
                               RegexEscape(missing) + "\" строки \\[" + kStampPattern +
                               " строка\\]: Не удалось открыть файл \"" + RegexEscape(missing) +
                               "\": " + RegexEscape(SystemErrorText(ENOENT)) + " <EOSError>\r\n$";
  EXPECT_TRUE(std::regex_match(ErrorLogText(), std::regex(expected))) << ErrorLogText();
  ASSERT_EQ(logger.Lines().size(), 1u);
  EXPECT_TRUE(std::regex_match(logger.Lines()[0], std::regex(std::string(kStampPattern) +
                                                             " строка <Ошибка при записи в лог>")));

  logger.NoErrorReport = true;
  logger.Write("вторая");
  EXPECT_EQ(CountOf(ErrorLogText(), "\r\n"), 1);
}

TEST_F(LoggerTest, FileLockedByAnotherProcessLosesTheLineAfterTheTimeOut) {
  TMirtLogger logger(log);
  logger.Write("первая");
  ChildProcess holder({LOG_TOOL_PATH, "lock", log});
  ASSERT_EQ(holder.ReadLine(), "locked");

  const auto start = std::chrono::steady_clock::now();
  logger.Write("потерянная");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  // Without a time-out a lock is an ordinary failure.
  try {
    TMirtLogger::OpenLogStream(log, TLogOpenMode::fmOpenReadWrite, 0);
    ADD_FAILURE() << "opened a locked file";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message().find("timeout"), std::string::npos) << e.Message();
  }
  holder.Kill(SIGKILL);
  holder.Wait();
  logger.Write("после");

  const std::string text = ReadFile(log);
  EXPECT_EQ(text.find("потерянная"), std::string::npos);
  EXPECT_EQ(CountOf(text, "\r\n"), 2);
  EXPECT_NE(text.find(" после\r\n"), std::string::npos);
  const std::string expected = std::string("^") + kStampPattern +
                               " Ошибка при попытке записи \\(fmOpenReadWrite\\) в лог \"" +
                               RegexEscape(log) + "\" строки \\[" + kStampPattern +
                               " потерянная\\]: Log file open timeout: 200 ms \\(" +
                               RegexEscape(SystemErrorText(EWOULDBLOCK)) + "\\) <EOSError>\r\n$";
  EXPECT_TRUE(std::regex_match(ErrorLogText(), std::regex(expected))) << ErrorLogText();
}

TEST_F(LoggerTest, LockReleasedWithinTheTimeOutLetsTheLineThrough) {
  LogFileOpenTimeout = 10000;
  TMirtLogger logger(log);
  logger.Write("первая");
  ChildProcess holder({LOG_TOOL_PATH, "lock", log, "300"});
  ASSERT_EQ(holder.ReadLine(), "locked");
  logger.Write("дождалась");
  EXPECT_EQ(holder.ReadLine(), "released");
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_NE(ReadFile(log).find(" дождалась\r\n"), std::string::npos);
  EXPECT_FALSE(Exists(dir / "MirtLoggerErrorsWriter.log"));
}

TEST_F(LoggerTest, LinesAreKeptAndPostedWhileAWindowIsNotified) {
  TMirtLogger logger(log);
  logger.Write("до окна");
  EXPECT_TRUE(logger.Lines().empty());
  RecordingWindow window;
  logger.NotifyWindow = &window;
  logger.MaxLines = 3;
  for (int i = 1; i <= 5; ++i) logger.Write("строка " + std::to_string(i));
  const auto lines = logger.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with(" строка 3"));
  EXPECT_TRUE(lines[2].ends_with(" строка 5"));
  ASSERT_EQ(window.posted.size(), 5u);
  EXPECT_EQ(window.posted[4], (std::array<std::uintptr_t, 3>{1345, 0, 0}));
}

// ---------------------------------------------------------------------------------------------
// Size limit

TEST_F(LoggerTest, RotatesOnTheFirstWritePastTheLimit) {
  TMirtLogger logger(log);
  const std::string message = "строка";
  WriteFile(log, Filler(static_cast<std::size_t>(kDefaultLimit) - LineSize(message)));
  logger.Write(message);
  EXPECT_EQ(SizeOf(log), kDefaultLimit);
  EXPECT_FALSE(Exists(log + "000"));

  logger.Write(message);
  EXPECT_FALSE(Exists(log));
  EXPECT_EQ(SizeOf(log + "000"), kDefaultLimit + static_cast<std::int64_t>(LineSize(message)));

  logger.Write("новый файл");
  EXPECT_EQ(SizeOf(log), static_cast<std::int64_t>(LineSize("новый файл")));
}

TEST_F(LoggerTest, FourthRotationDropsTheOldestArchiveAndLeavesOtherFilesAlone) {
  TMirtLogger logger(log);
  WriteFile(log + "_123_456", "temporary file of a trim");
  WriteFile(log + "x", "not an archive");
  WriteFile(log + ".bak", "not an archive");
  fs::create_directory(log + "7");
  const auto rotate = [&](int n) {
    WriteFile(log, "rotation " + std::to_string(n) + "\r\n" +
                       Filler(static_cast<std::size_t>(kDefaultLimit)));
    logger.Write("rotate");
    ASSERT_FALSE(Exists(log));
  };
  const auto first_line = [](const std::string& path) {
    const std::string text = ReadFile(path);
    return text.substr(0, text.find("\r\n"));
  };
  for (int n = 1; n <= 3; ++n) rotate(n);
  EXPECT_EQ(first_line(log + "002"), "rotation 1");
  rotate(4);
  EXPECT_EQ(first_line(log + "000"), "rotation 4");
  EXPECT_EQ(first_line(log + "001"), "rotation 3");
  EXPECT_EQ(first_line(log + "002"), "rotation 2");
  EXPECT_FALSE(Exists(log + "003"));
  EXPECT_EQ(ReadFile(log + "_123_456"), "temporary file of a trim");
  EXPECT_EQ(ReadFile(log + "x"), "not an archive");
  EXPECT_EQ(ReadFile(log + ".bak"), "not an archive");
  EXPECT_TRUE(fs::is_directory(log + "7"));
}

TEST_F(LoggerTest, DottedArchivesAreAllKeptWhenKeepArchivesIsZero) {
  TMirtLogger logger(log);
  logger.MaxSize = 3000;
  logger.DottedArchiveNames = 1;
  logger.KeepArchives = 0;
  for (int n = 1; n <= 4; ++n) {
    WriteFile(log, "rotation " + std::to_string(n) + "\r\n" + Filler(4000));
    logger.Write("rotate");
  }
  for (int n = 0; n <= 3; ++n) {
    EXPECT_EQ(ReadFile(log + "." + std::to_string(n)).substr(0, 10),
              "rotation " + std::to_string(4 - n));
  }
  EXPECT_FALSE(Exists(log + "000"));
}

// Lines of different lengths, each ending in CR LF, with a number to tell them apart.
std::string NumberedLines(std::size_t at_least) {
  std::string text;
  for (int n = 0; text.size() < at_least; ++n) {
    text += "строка " + std::to_string(n) + " " +
            std::string(static_cast<std::size_t>(n * 7 % 90), 'z') + "\r\n";
  }
  return text;
}

class LoggerInPlaceTrimTest : public LoggerTest {
 protected:
  // Writes one line after the prepared content; returns content + that line as the logger
  // wrote it, and the file as it is afterwards.
  std::pair<std::string, std::string> WriteAfter(TMirtLogger& logger, const std::string& content) {
    WriteFile(log, content);
    logger.Write("последняя");
    const std::string after = ReadFile(log);
    const std::size_t line_size = LineSize("последняя");
    EXPECT_GE(after.size(), line_size);
    const std::string line = after.substr(after.size() - line_size);
    EXPECT_TRUE(std::regex_match(line, std::regex(std::string(kStampPattern) + " последняя\r\n")));
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      EXPECT_EQ(entry.path().filename().string().find("test.log_"), std::string::npos)
          << "temporary file left: " << entry.path();
    }
    return {content + line, after};
  }
};

TEST_F(LoggerInPlaceTrimTest, KeepsTheNewestLinesFromALineStart) {
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxSize = 10000;
  const auto [full, after] = WriteAfter(logger, NumberedLines(13400));
  const std::size_t cut = full.size() - 10000;
  const std::size_t start = full.rfind('\n', cut - 1) + 1;
  ASSERT_LE(start, cut);
  EXPECT_EQ(after, full.substr(start));
  EXPECT_EQ(after.substr(0, 12), "строка");
}

TEST_F(LoggerInPlaceTrimTest, NeverStartsBetweenCrAndLf) {
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  const std::string content = NumberedLines(14000);
  const std::size_t full_size = content.size() + LineSize("последняя");
  // A size limit that puts the cut point exactly on the LF of a line end.
  const std::size_t lf = content.find('\n', content.size() / 3);
  logger.MaxSize = static_cast<std::int64_t>(full_size - lf);
  const auto [full, after] = WriteAfter(logger, content);
  const std::size_t start = full.rfind('\n', lf - 1) + 1;
  EXPECT_EQ(after, full.substr(start));
  EXPECT_GE(after.size(), static_cast<std::size_t>(logger.MaxSize));
}

TEST_F(LoggerInPlaceTrimTest, KeepsExactlyMaxSizeWhenNoLineBreakIsFound) {
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxSize = 10000;
  const auto [full, after] = WriteAfter(logger, std::string(20000, 'x'));
  EXPECT_EQ(after, full.substr(full.size() - 10000));
}

TEST_F(LoggerInPlaceTrimTest, ErrorLogCutsItselfBackInPlace) {
  const std::string error_log = dir / "MirtLoggerErrorsWriter.log";
  WriteFile(error_log, NumberedLines(static_cast<std::size_t>(kDefaultLimit)));
  TMirtLogger logger(dir / "missing/test.log");
  logger.Write("строка");
  const std::string text = ReadFile(error_log);
  EXPECT_GE(text.size(), 1048576u);
  EXPECT_LT(text.size(), 1048576u + 200);
  EXPECT_EQ(text.substr(0, 12), "строка");
  EXPECT_NE(text.find("(fmCreate)"), std::string::npos);
  EXPECT_FALSE(Exists(error_log + "000"));
}

// ---------------------------------------------------------------------------------------------
// Age limit

class LoggerAgeTrimTest : public LoggerTest {
 protected:
  static std::string Line(TDateTime time, const std::string& text, bool marker = false) {
    return (marker ? "# " : "") + Stamp(time) + " " + text + "\r\n";
  }
  // Old lines, with a marker now and then and an undated continuation line, until the size.
  static std::string OldLines(TDateTime time, std::size_t size) {
    std::string text;
    for (int n = 0; text.size() < size; ++n) {
      text += Line(time + n / 86400000.0, "старая " + std::to_string(n), n % 5 == 0);
      if (n % 7 == 0) text += "  продолжение старой строки\r\n";
    }
    return text;
  }
  static std::string YoungLines(TDateTime time, int count) {
    std::string text;
    for (int n = 0; n < count; ++n) text += Line(time, "молодая " + std::to_string(n), n % 3 == 0);
    return text;
  }
  const TDateTime now = Now();
  const TDateTime three_days_ago = now - 3;
  const TDateTime hour_ago = now - 1.0 / 24;
};

TEST_F(LoggerAgeTrimTest, InPlaceCutsAtTheFirstYoungLineAlsoAcrossABlockBoundary) {
  // The first young line starts 9 bytes before the end of the first 32 KiB block, so its time
  // stamp lies in two blocks.
  std::string old = OldLines(three_days_ago, 32000);
  old += std::string(32768 - 9 - old.size() - 2, 'p') + "\r\n";
  ASSERT_EQ(old.size(), 32768u - 9);
  const std::string young = YoungLines(hour_ago, 300);
  WriteFile(log, old + young);

  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxAge = 1;
  logger.Write("новая");
  const std::string text = ReadFile(log);
  ASSERT_GE(text.size(), young.size());
  EXPECT_EQ(text.substr(0, young.size()), young);
  EXPECT_TRUE(std::regex_match(text.substr(young.size()),
                               std::regex(std::string(kStampPattern) + " новая\r\n")));
  EXPECT_NE(logger.LastAgeCheck, 0);
}

TEST_F(LoggerAgeTrimTest, YoungEnoughFileStaysAndChecksWaitForTheInterval) {
  // A blank line, as written between two runs, and then the oldest dated line.
  const std::string young_enough = "\r\n" + Line(now - 1.2, "чуть старше суток") +
                                   OldLines(three_days_ago, 40000) + YoungLines(hour_ago, 10);
  WriteFile(log, young_enough);
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxAge = 1;
  logger.Write("первая");
  EXPECT_EQ(ReadFile(log).substr(0, young_enough.size()), young_enough);

  const std::string old = OldLines(three_days_ago, 40000);
  const std::string young = YoungLines(hour_ago, 10);
  WriteFile(log, old + young);
  logger.Write("вторая");
  EXPECT_EQ(ReadFile(log).substr(0, old.size()), old) << "checked again within the interval";

  logger.LastAgeCheck = Now() - 61.0 / 86400;
  logger.Write("третья");
  EXPECT_EQ(ReadFile(log).substr(0, young.size()), young);
}

TEST_F(LoggerAgeTrimTest, RotationModeArchivesTheWholeFile) {
  const std::string content = OldLines(three_days_ago, 40000) + YoungLines(hour_ago, 10);
  WriteFile(log, content);
  TMirtLogger logger(log);
  logger.MaxAge = 1;
  logger.Write("новая");
  EXPECT_FALSE(Exists(log));
  const std::string archive = ReadFile(log + "000");
  EXPECT_EQ(archive.substr(0, content.size()), content);
  EXPECT_TRUE(archive.ends_with(" новая\r\n"));
}

TEST_F(LoggerAgeTrimTest, SmallFilesAndLoggersWithoutMaxAgeAreNotTouched) {
  const std::string small = OldLines(three_days_ago, 30000);
  WriteFile(log, small);
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxAge = 1;
  logger.Write("новая");
  EXPECT_EQ(ReadFile(log).substr(0, small.size()), small);
  EXPECT_EQ(logger.LastAgeCheck, 0);

  const std::string large = OldLines(three_days_ago, 40000) + YoungLines(hour_ago, 10);
  WriteFile(log, large);
  logger.MaxAge = 0;
  logger.Write("новая");
  EXPECT_EQ(ReadFile(log).substr(0, large.size()), large);
}

TEST_F(LoggerAgeTrimTest, InPlaceEmptiesAFileWithoutAnyYoungLine) {
  WriteFile(log, OldLines(three_days_ago, 40000));
  TMirtLogger logger(log);
  logger.TruncateInPlace = true;
  logger.MaxAge = 1;
  logger.Lazy = true;  // the lazy path keeps the time a line was queued at
  logger.Write("тоже старая", LogPlain, three_days_ago);
  for (int i = 0; i < 10000 && logger.PendingCount() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(logger.PendingCount(), 0);
  EXPECT_EQ(ReadFile(log), "");
}

// ---------------------------------------------------------------------------------------------
// Several processes

TEST_F(LoggerTest, TwoProcessesWithTwoThreadsEachKeepEveryLineWholeAndInOrder) {
  constexpr int kLines = 10000;
  const std::string go = dir / "go";
  ChildProcess a({LOG_TOOL_PATH, "write", log, "A", "2", std::to_string(kLines), go});
  ChildProcess b({LOG_TOOL_PATH, "write", log, "B", "2", std::to_string(kLines), go});
  ASSERT_EQ(a.ReadLine(), "ready");
  ASSERT_EQ(b.ReadLine(), "ready");
  WriteFile(go, "");
  ASSERT_EQ(a.Wait(), 0);
  ASSERT_EQ(b.Wait(), 0);

  // Oldest first: the highest archive down to 000, then the log.
  std::vector<std::pair<int, std::string>> files;
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("test.log", 0) != 0) continue;
    files.emplace_back(name == "test.log" ? -1 : std::stoi(name.substr(8)), entry.path());
  }
  std::sort(files.begin(), files.end(), std::greater<>());
  EXPECT_GE(files.size(), 3u) << "the test is meant to rotate the log";
  std::string text;
  for (const auto& [number, path] : files) text += ReadFile(path);

  const std::regex line_pattern(std::string("^") + kStampPattern +
                                " ([AB]) ([01]) (\\d+) ((?:ж)*)\\|$");
  std::map<std::string, int> next;  // tag and thread -> next number
  int total = 0;
  int switches = 0;
  std::string last_tag;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "unterminated tail at " << pos;
    const std::string line = text.substr(pos, end - pos);
    pos = end + 2;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, line_pattern)) << "broken line: " << line;
    const std::string writer = match[1].str() + match[2].str();
    const int number = std::stoi(match[3].str());
    ASSERT_EQ(number, next[writer]) << "out of order or lost: " << line;
    ASSERT_EQ(match[4].length(), static_cast<long>(2 * (number % 37))) << line;
    ++next[writer];
    ++total;
    if (!last_tag.empty() && last_tag != match[1].str()) ++switches;
    last_tag = match[1].str();
  }
  EXPECT_EQ(total, 4 * kLines);
  for (const char* writer : {"A0", "A1", "B0", "B1"}) EXPECT_EQ(next[writer], kLines);
  EXPECT_GT(switches, 0) << "the two processes never wrote at the same time";
  EXPECT_FALSE(Exists(dir / "MirtLoggerErrorsWriter.log")) << ErrorLogText();
}

}  // namespace
}  // namespace brindle
