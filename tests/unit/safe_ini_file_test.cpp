#include "infra/safe_ini_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "infra/ini_format.h"
#include "platform/profile_file.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using testing::ChildProcess;
using testing::ReadFile;
using testing::RecordedProcess;
using testing::TempDir;
using testing::WriteFile;
using namespace std::string_literals;

class SafeIniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string file = dir / "test.set";

  // What a plain INI reader sees under the key.
  std::string Raw(const std::string& key) { return profile::ReadString(file, "S", key, "<none>"); }
  std::string Write(const std::string& value) {
    TSafeIniFile(file).WriteString("S", "K", value);
    return TSafeIniFile(file).ReadString("S", "K", "<default>");
  }
};

TEST_F(SafeIniFileTest, ValueOfMaxPieceLengthStaysInOneKey) {
  const std::string value(65532, 'x');
  EXPECT_EQ(Write(value), value);
  EXPECT_EQ(Raw("K"), value);
  EXPECT_EQ(Raw("K__$Count"), "<none>");
  EXPECT_EQ(Raw("K__$Hash"), "<none>");
}

TEST_F(SafeIniFileTest, LongerValueIsSpreadOverContinuationKeys) {
  const std::string value = std::string(65532, 'x') + "y";
  EXPECT_EQ(Write(value), value);
  EXPECT_EQ(Raw("K"), std::string(65532, 'x'));
  EXPECT_EQ(Raw("K__$Line2"), "y");
  EXPECT_EQ(Raw("K__$Count"), "2");
  EXPECT_EQ(Raw("K__$Hash"), std::to_string(TSafeIniFile::ValueHash(std::string(65532, 'x'))));
  EXPECT_EQ(Raw("K__$Line3"), "<none>");

  const std::string huge(65532 * 3 + 7, 'z');
  EXPECT_EQ(Write(huge), huge);
  EXPECT_EQ(Raw("K__$Count"), "4");
}

TEST_F(SafeIniFileTest, MultiByteCharactersAreNeverSplitBetweenPieces) {
  std::string value(65531, 'x');
  value += "ЖЖЖ";  // two bytes each: the first no longer fits the first piece
  EXPECT_EQ(Write(value), value);
  EXPECT_EQ(Raw("K"), std::string(65531, 'x'));
  EXPECT_EQ(Raw("K__$Line2"), "ЖЖЖ");
}

TEST_F(SafeIniFileTest, LineBreaksAreEncodedAndReadBackAsCrLf) {
  EXPECT_EQ(Write("a\r\nb"), "a\r\nb");
  EXPECT_EQ(Raw("K"), "a<@\\n@>b");
  EXPECT_EQ(Write("a\nb"), "a\r\nb");
  EXPECT_EQ(Write("a\rb"), "ab");
  EXPECT_EQ(Write("x<@\\n@>y"), "x\r\ny");
  EXPECT_EQ(Write("end\n"), "end\r\n");
}

TEST_F(SafeIniFileTest, LineBreakCodeDoesNotStraddlePieces) {
  // 65530 characters and a line break: the code of six does not fit, so it starts piece 2.
  const std::string value = std::string(65530, 'x') + "\nz";
  EXPECT_EQ(Write(value), std::string(65530, 'x') + "\r\nz");
  EXPECT_EQ(Raw("K"), std::string(65530, 'x'));
  EXPECT_EQ(Raw("K__$Line2"), "<@\\n@>z");
}

TEST_F(SafeIniFileTest, BlanksAndQuotesAtTheEdgesSurvive) {
  EXPECT_EQ(Write(" lead"), " lead");
  EXPECT_NE(ReadFile(file).find("K=\" lead\""), std::string::npos);
  EXPECT_EQ(Write("trail\t"), "trail\t");
  EXPECT_EQ(Write("\"quoted\""), "\"quoted\"");
  EXPECT_NE(ReadFile(file).find("K=\"\"quoted\"\""), std::string::npos);
  EXPECT_EQ(Write("in \"the\" middle"), "in \"the\" middle");
}

TEST_F(SafeIniFileTest, FirstPieceChangedByAnotherWriterDisownsItsContinuation) {
  Write(std::string(70000, 'a'));
  ASSERT_EQ(profile::WriteString(file, "S", "K", "changed"), 0);
  EXPECT_EQ(TSafeIniFile(file).ReadString("S", "K", ""), "changed");

  // A later short write through the class removes the stale continuation keys.
  EXPECT_EQ(Write("short"), "short");
  EXPECT_EQ(Raw("K__$Count"), "<none>");
  EXPECT_EQ(Raw("K__$Hash"), "<none>");
  EXPECT_EQ(Raw("K__$Line2"), "<none>");
}

TEST_F(SafeIniFileTest, EmptyValueKeepsTheKeyAndDropsOldPieces) {
  Write(std::string(140000, 'a'));
  EXPECT_EQ(Write(""), "");
  EXPECT_EQ(Raw("K"), "");
  EXPECT_EQ(TSafeIniFile(file).ReadSection("S"), std::vector<std::string>{"K"});
}

TEST_F(SafeIniFileTest, PlainModeKeepsOneKeyAndCutsTheRest) {
  TSafeIniFile ini(file);
  ini.PlainMode = true;
  ini.WriteString("S", "K", std::string(65532, 'a') + "bbb");
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(65532, 'a'));
  EXPECT_EQ(Raw("K__$Count"), "<none>");
}

TEST_F(SafeIniFileTest, DeleteKeyRemovesAllPieces) {
  Write(std::string(140000, 'a'));
  TSafeIniFile(file).WriteString("S", "Other", "stays");
  TSafeIniFile(file).DeleteKey("S", "K");
  EXPECT_EQ(TSafeIniFile(file).ReadSection("S"), std::vector<std::string>{"Other"});
  TSafeIniFile(file).DeleteKey("S", "NotThere");
}

TEST_F(SafeIniFileTest, ListingsShowContinuationKeysAsOrdinaryKeys) {
  TSafeIniFile ini(file);
  ini.WriteString("Second", "A", "1");
  ini.WriteString("First", "Long", std::string(65533, 'q'));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Second", "First"}));
  EXPECT_EQ(ini.ReadSection("first"),
            (std::vector<std::string>{"Long", "Long__$Count", "Long__$Hash", "Long__$Line2"}));
  const auto values = ini.ReadSectionValues("First");
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0], "Long=" + std::string(65533, 'q'));
  EXPECT_EQ(values[1], "Long__$Count=2");
  EXPECT_TRUE(ini.ValueExists("FIRST", "long"));
  EXPECT_FALSE(ini.ValueExists("First", "Short"));
  ini.EraseSection("First");
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"Second"});
}

TEST_F(SafeIniFileTest, EraseSectionOfMissingFileDoesNothing) {
  TSafeIniFile ini(dir / "missing.set");
  EXPECT_NO_THROW(ini.EraseSection(""));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.set"));
}

TEST_F(SafeIniFileTest, EmptyNamesAreRefusedWithTheOperationNamed) {
  TSafeIniFile ini(file);
  const std::string section_message = "Не указано название секции. Имя файла: " + file;
  const std::string ident_message = "Не указано название переменной. Имя файла: " + file;
  auto message_of = [](auto call) {
    try {
      call();
    } catch (const EIniFileException& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message_of([&] { ini.DeleteKey("", "K"); }),
            "TSafeIniFile.DeleteKey -> " + section_message);
  EXPECT_EQ(message_of([&] { ini.DeleteKey("", ""); }),
            "TSafeIniFile.DeleteKey -> " + section_message);
  EXPECT_EQ(message_of([&] { ini.WriteString("S", "", "v"); }),
            "TSafeIniFile.WriteString -> " + ident_message);
  EXPECT_EQ(message_of([&] { ini.ReadString("S", "", "v"); }),
            "TSafeIniFile.ReadString -> " + ident_message);
  EXPECT_EQ(message_of([&] { ini.ReadSection(""); }),
            "TSafeIniFile.ReadSection -> " + section_message);
  EXPECT_EQ(message_of([&] { ini.ReadDate("", "D", 0); }),
            "TSafeIniFile.ReadString -> " + section_message);
  EXPECT_EQ(message_of([&] { ini.WriteTime("", "T", 0.5); }),
            "TSafeIniFile.WriteTime -> TSafeIniFile.WriteString -> " + section_message);
}

TEST_F(SafeIniFileTest, TypedValuesUseTheFixedForms) {
  TSafeIniFile ini(file);
  const TDateTime moment = EncodeDateTime({2026, 12, 7, 13, 5, 9, 42});
  const TDateTime midnight = EncodeDateTime({2026, 12, 7, 0, 0, 0, 0});
  ini.WriteDateTime("T", "Moment", moment);
  ini.WriteDateTime("T", "Midnight", midnight);
  ini.WriteDate("T", "Date", moment);
  ini.WriteTime("T", "Time", moment);
  ini.WriteFloat("T", "Float", 0.1);
  ini.WriteInteger("T", "Int", -7);
  ini.WriteBool("T", "Bool", true);
  EXPECT_EQ(ini.ReadString("T", "Moment", ""), "07.12.2026 13:05:09.042");
  EXPECT_EQ(ini.ReadString("T", "Midnight", ""), "07.12.2026");
  EXPECT_EQ(ini.ReadString("T", "Date", ""), "07.12.2026");
  EXPECT_EQ(ini.ReadString("T", "Time", ""), "13:05:09.042");
  EXPECT_EQ(ini.ReadString("T", "Float", ""), "0.1");
  EXPECT_EQ(ini.ReadDateTime("T", "Moment", 0), moment);
  EXPECT_EQ(ini.ReadDate("T", "Date", 0), midnight);
  EXPECT_EQ(ini.ReadFloat("T", "Float", 0), 0.1);
  EXPECT_EQ(ini.ReadInteger("T", "Int", 0), -7);
  EXPECT_TRUE(ini.ReadBool("T", "Bool", false));
}

TEST_F(SafeIniFileTest, UnreadableTypedValuesGiveTheDefault) {
  TSafeIniFile ini(file);
  ini.WriteString("T", "BadDate", "31.02.2026");
  ini.WriteString("T", "Word", "hello");
  ini.WriteString("T", "Hex", "0x1F");
  EXPECT_EQ(ini.ReadDate("T", "BadDate", 7.0), 7.0);
  EXPECT_EQ(ini.ReadDate("T", "Word", 7.0), 7.0);
  EXPECT_EQ(ini.ReadDate("T", "Missing", 7.0), 7.0);
  EXPECT_EQ(ini.ReadTime("T", "Word", 0.25), 0.25);
  EXPECT_EQ(ini.ReadFloat("T", "Word", 1.5), 1.5);
  EXPECT_EQ(ini.ReadInteger("T", "Word", 42), 42);
  EXPECT_EQ(ini.ReadInteger("T", "Hex", 0), 31);
  EXPECT_FALSE(ini.ReadBool("T", "Word", false));
}

TEST_F(SafeIniFileTest, BinaryStreamsRoundTrip) {
  TSafeIniFile ini(file);
  const std::string bytes("\x00\x01\xFEz", 4);
  ini.WriteBinaryStream("B", "Blob", bytes);
  std::string back;
  EXPECT_EQ(ini.ReadBinaryStream("B", "Blob", back), 4u);
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(ini.ReadString("B", "Blob", ""), "0001FE7A");
}

TEST_F(SafeIniFileTest, DamagedFileStillReads) {
  const std::string binary_line = "\x01\x02\xFF\xFE binary\0junk\n"s;
  WriteFile(file, "garbage line\n" + binary_line +
                      "[S]\nno equals sign\n=no key\nGood = kept value \nLast=\"quoted\"");
  TSafeIniFile ini(file);
  EXPECT_EQ(ini.ReadString("S", "Good", "d"), "kept value");
  EXPECT_EQ(ini.ReadString("S", "Last", "d"), "quoted");
  EXPECT_EQ(ini.ReadInteger("S", "Good", 5), 5);
  EXPECT_EQ(ini.ReadString("S", "no equals sign", "d"), "d");

  // A write keeps every line it does not understand.
  const std::string before = ReadFile(file);
  ini.WriteString("S", "New", "v");
  const std::string after = ReadFile(file);
  EXPECT_NE(after.find(binary_line), std::string::npos);
  EXPECT_NE(after.find("garbage line\n"), std::string::npos);
  EXPECT_NE(after.find("no equals sign\n"), std::string::npos);
  EXPECT_EQ(ini.ReadString("S", "Last", "d"), "quoted");
  EXPECT_EQ(ini.ReadString("S", "New", "d"), "v");
}

// A count of INT32_MAX with a matching hash reads the pieces the file holds, in number order,
// at once; reading each of two thousand million names from the file would take hours.
TEST_F(SafeIniFileTest, DamagedHugeCountReadsOnlyThePiecesPresent) {
  WriteFile(file, "[S]\nK=abc\nK__$Count=2147483647\nK__$Hash=" +
                      std::to_string(TSafeIniFile::ValueHash("abc")) +
                      "\nK__$Line5=f\nK__$Line2=de\nk__$LINE3=g\nK__$Line07=not a piece\n"
                      "K__$Line1=not a piece\nK__$Line2147483648=beyond the count\n");
  EXPECT_EQ(TSafeIniFile(file).ReadString("S", "K", "d"), "abcdegf");
}

// Writing over such a value deletes the pieces the file holds and leaves the rest; deleting each
// of two thousand million names would hang the window for hours (a count of 2,000,000 took 9 s).
TEST_F(SafeIniFileTest, DamagedHugeCountDeletesOnlyThePiecesPresent) {
  WriteFile(file,
            "[S]\nK=abc\nK__$Count=2147483647\nK__$Hash=1\nK__$Line5=f\nk__$LINE3=g\n"
            "K__$Line07=not a piece\nOther=kept\n");
  TSafeIniFile ini(file);
  ini.WriteString("S", "K", "new");
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "new");
  EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"K", "K__$Line07", "Other"}));
}

TEST_F(SafeIniFileTest, WriteIntoMissingDirectoryFailsAtOnceWithNestedMessage) {
  const std::string missing = dir / "no/such/dir/x.set";
  const auto start = std::chrono::steady_clock::now();
  try {
    TSafeIniFile(missing).WriteDate("S", "D", 1.0);
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(),
              "TSafeIniFile.WriteDate -> TSafeIniFile.WriteString -> DoWriteString -> "
              "No such file or directory -> Не удалось записать в файл " +
                  missing);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(SafeIniFileTest, RefusedWriteIsRetriedUntilItSucceeds) {
  // A directory standing where the file should be refuses the write; it goes away after 200 ms.
  std::filesystem::create_directory(file);
  std::thread remover([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::filesystem::remove(file);
  });
  TSafeIniFile(file).WriteString("S", "K", "late");
  remover.join();
  EXPECT_EQ(TSafeIniFile(file).ReadString("S", "K", ""), "late");
}

// Tests run as root, whom no folder refuses, so the advice is checked for the errors themselves.
TEST(SafeIniFileAdvice, ARefusalForLackOfRightsSaysWhoNeedsWhichRights) {
  const std::string advice = WriteRefusalAdvice(EACCES, "/opt/zemt/INI/Brindle.set");
  EXPECT_NE(advice.find("запись в папку /opt/zemt/INI и в файл /opt/zemt/INI/Brindle.set"),
            std::string::npos)
      << advice;
  EXPECT_NE(advice.find("пользователю "), std::string::npos) << advice;
  EXPECT_NE(WriteRefusalAdvice(EROFS, "/ro/INI/x.set").find("только для чтения"),
            std::string::npos);
  EXPECT_EQ(WriteRefusalAdvice(ENOENT, "/x/INI/x.set"), "");
  EXPECT_EQ(WriteRefusalAdvice(EISDIR, "/x/INI/x.set"), "");
}

TEST_F(SafeIniFileTest, RefusedWriteGivesUpAfterTheRetryWindow) {
  std::filesystem::create_directory(file);
  const auto start = std::chrono::steady_clock::now();
  try {
    TSafeIniFile(file).WriteString("S", "K", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(),
              "TSafeIniFile.WriteString -> DoWriteString -> Is a directory -> "
              "Не удалось записать в файл " +
                  file);
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(TSafeIniFile::kRetryWindowMs));
}

TEST_F(SafeIniFileTest, FailedWriteLosesNothingAlreadyInTheFile) {
  TSafeIniFile(file).WriteString("S", "Keep", "me");
  EXPECT_THROW(TSafeIniFile(file).WriteString("S", "Bad\nKey", "v"), EIniFileException);
  EXPECT_EQ(TSafeIniFile(file).ReadString("S", "Keep", ""), "me");
  EXPECT_EQ(TSafeIniFile(file).ReadSection("S"), std::vector<std::string>{"Keep"});
}

TEST(SafeIniFileNames, LockNameFollowsThePathRule) {
  EXPECT_EQ(TSafeIniFile::MakeLockName("C:\\ZEMT\\INI\\Brindle.set"),
            "ini file lock mutexc__zemt_ini_brindle.set");
  EXPECT_EQ(TSafeIniFile::MakeLockName("C:\\\\\\\\ZEMT\\\\INI\\Brindle.set"),
            "ini file lock mutexc__zemt_ini_brindle.set");
  EXPECT_EQ(TSafeIniFile::MakeLockName("/opt/zemt/INI/Папка Б/x*?.set"),
            "ini file lock mutex_opt_zemt_ini_папка б_x__.set");
}

TEST(SafeIniFileNames, ValueHashMatchesKnownValues) {
  EXPECT_EQ(TSafeIniFile::ValueHash("abc"), 397824173);
  EXPECT_EQ(TSafeIniFile::ValueHash("a"), -794527);
  EXPECT_EQ(TSafeIniFile::ValueHash(""), 0);
}

TEST_F(SafeIniFileTest, TwoProcessesWritingDifferentKeysLoseNone) {
  ChildProcess first({INI_TOOL_PATH, "write", file, "S", "first", "500"});
  ChildProcess second({INI_TOOL_PATH, "write", file, "S", "second", "500"});
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);
  TSafeIniFile ini(file);
  EXPECT_EQ(ini.ReadSection("S").size(), 1000u);
  for (const char* prefix : {"first", "second"}) {
    for (int i = 0; i < 500; ++i) {
      const std::string key = prefix + std::to_string(i);
      ASSERT_EQ(ini.ReadString("S", key, ""), key + "-value");
    }
  }
}

TEST_F(SafeIniFileTest, HolderKilledWhileLockedDoesNotBlockTheNext) {
  ChildProcess holder({INI_TOOL_PATH, "hold", file});
  ASSERT_EQ(holder.ReadLine(), "locked");

  // While it holds the lock a writer waits...
  std::atomic<bool> written{false};
  std::thread writer([&] {
    TSafeIniFile(file).WriteString("S", "K", "after");
    written = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(written);

  // ...and goes on as soon as the holder dies.
  holder.Kill(SIGKILL);
  EXPECT_EQ(holder.Wait(), 128 + SIGKILL);
  writer.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(TSafeIniFile(file).ReadString("S", "K", ""), "after");
}

TEST_F(SafeIniFileTest, WriterKilledMidWriteNeverLeavesHalfAFile) {
  for (int attempt = 0; attempt < 15; ++attempt) {
    ChildProcess churn({INI_TOOL_PATH, "churn", file});
    // Let it finish a few writes, then kill it at a moment of its own.
    for (int i = 0; i < 1 + attempt % 4; ++i) ASSERT_FALSE(churn.ReadLine().empty());
    std::this_thread::sleep_for(std::chrono::microseconds(1000 * (attempt % 5)));
    churn.Kill(SIGKILL);
    churn.Wait();

    // Every key write replaced the file whole, so the file holds whole pieces of one round: the
    // old continuation is deleted before a new first piece is written, and the new one counts
    // only once its hash is there.
    const std::string value = TSafeIniFile(file).ReadString("DATA", "Value", "");
    const std::size_t piece = TSafeIniFile::kMaxPieceChars;
    EXPECT_TRUE(value.size() == piece || value.size() == piece * 2 ||
                value.size() == piece * 2 + 100)
        << value.size();
    EXPECT_EQ(value.find_first_not_of(value.front()), std::string::npos);
    for (const std::string& key : TSafeIniFile(file).ReadSection("DATA")) {
      EXPECT_EQ(key.rfind("Value", 0), 0u) << key;
    }
  }
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) ADD_FAILURE() << "no file " << path;
  return st;
}

// An administrator shares a settings file between the window's user and the service through a
// group; a rewrite keeps that. Tests run as root, who may give files to anyone.
TEST_F(SafeIniFileTest, ARewriteKeepsModeOwnerAndGroup) {
  TSafeIniFile(file).WriteString("S", "Old", "kept");
  ASSERT_EQ(::chown(file.c_str(), 1, 1), 0);  // daemon:daemon
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  TSafeIniFile(file).WriteString("S", "New", "written");
  const struct stat st = Stat(file);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, 1u);
  EXPECT_EQ(st.st_gid, 1u);
  EXPECT_EQ(ReadFile(file), "[S]\nOld=kept\nNew=written\n");
}

// The others of the sharing: users who may not give the file away.
class SharedSettingsFileTest : public SafeIniFileTest {
 protected:
  // The settings folder as the package makes INI/: group 1, set-group-ID, group-writable.
  void SetUp() override {
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), 0, 1), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 02775), 0);
    MakeShared();
  }
  // The file as the administrator shares it: user 1's, group 1 may write it.
  void MakeShared() {
    WriteFile(shared, "[S]\nOld=kept\n");
    ASSERT_EQ(::chown(shared.c_str(), 1, 1), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0660), 0);
  }
  // Writes a key as user 2 with the supplementary groups given, through the program's writer in
  // a process of its own.
  void WriteAsUser2(const std::string& groups) {
    RecordedProcess writer({"/usr/bin/setpriv", "--reuid=2", "--regid=2", "--groups=" + groups,
                            INI_TOOL_PATH, "write", shared, "S", "New", "1"},
                           dir / "writer");
    ASSERT_EQ(writer.Wait(), 0) << writer.Err();
  }
  std::string folder = dir / "INI";
  std::string shared = folder + "/Brindle.set";
};

// In the package's folder and in one without the set-group-ID bit, whose new files would get
// the writer's own group.
TEST_F(SharedSettingsFileTest, AGroupMemberBecomesTheOwnerAndTheGroupStays) {
  for (const mode_t folder_mode : {02775, 0777}) {
    SCOPED_TRACE(folder_mode);
    ASSERT_EQ(::chmod(folder.c_str(), folder_mode), 0);
    MakeShared();
    WriteAsUser2("1");
    const struct stat st = Stat(shared);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_EQ(st.st_uid, 2u);
    EXPECT_EQ(st.st_gid, 1u);
    EXPECT_EQ(ReadFile(shared), "[S]\nOld=kept\nNew0=New0-value\n");
  }
}

// A file others may read (one made before settings files were kept private) in a folder without
// the set-group-ID bit: the replacement belongs to the writer's own group, which must not get
// the rights the file's group had.
TEST_F(SharedSettingsFileTest, AWriterOutsideTheGroupTakesTheGroupsRightsAway) {
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
  WriteAsUser2("2");
  const struct stat st = Stat(shared);
  EXPECT_EQ(st.st_uid, 2u);
  EXPECT_EQ(st.st_gid, 2u);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(ReadFile(shared), "[S]\nOld=kept\nNew0=New0-value\n");
}

}  // namespace
}  // namespace brindle
