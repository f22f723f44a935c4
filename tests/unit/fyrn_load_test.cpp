// The bindings of the database utility library as start-up makes them, in a child process with
// its own program folder: a library that is missing, lacks the compatibility check, refuses it
// or lacks an entry point ends the process with the error box and a non-zero exit code; the second
// binding searches the program folder, the suite root and the loader's path in this order; and
// the library is unloaded at shutdown only when FYRNDLL_ISLOADED is "1".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::TempDir;

// Sets an environment variable (or removes it) for the child processes of one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

struct ProbeResult {
  std::vector<std::string> lines;
  int exit_code = -1;
};

const std::string kNotLoaded =
    "BOX Error!|Модуль \"libFyrn.so\" не загружен. \\r\\nВ запуске приложения отказано!|error";
const std::string kNoCheck =
    "BOX Error!|Модуль \"libFyrn.so\" загружен, однако он скомпилирован без директивы FYRNDLL. "
    "В запуске приложения отказано!|error";
const std::string kRefused =
    "BOX Error!|Модуль \"libFyrn.so\", либо вызывающий модуль скомпилированы без пакета "
    "\"ibxpress\", либо используются разные версии библиотеки IBX. В запуске приложения "
    "отказано!|error";
const std::string kSecondNotLoaded =
    "BOX Ошибка!|Модуль libFyrn.so не загружен. В запуске приложения отказано!|error";

// The probe copied into a program folder of its own, so that the loader finds beside it only
// the library a test puts there. The suite root (ZEMT_ROOT) is another fresh folder.
class FyrnLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(ProgramDir());
    fs::copy_file(FYRN_PROBE_PATH, ProgramDir() + "fyrn_probe");
  }

  std::string ProgramDir() const { return dir_ / "bin/"; }
  std::string RootDir() const { return dir_ / "root/"; }

  void PutLibrary(const std::string& library, const std::string& folder) const {
    fs::copy_file(library, folder + "libFyrn.so", fs::copy_options::overwrite_existing);
  }

  ProbeResult Run(const std::string& mode) const {
    ChildProcess child({ProgramDir() + "fyrn_probe", mode});
    ProbeResult result;
    for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine()) {
      result.lines.push_back(line);
    }
    result.exit_code = child.Wait();
    return result;
  }

  TempDir dir_;
  ScopedEnv no_library_path_{"LD_LIBRARY_PATH", std::nullopt};
  ScopedEnv no_unload_flag_{"FYRNDLL_ISLOADED", std::nullopt};
};

using Lines = std::vector<std::string>;

TEST_F(FyrnLoadTest, MissingLibraryShowsTheBoxAndRefusesTheStart) {
  const ProbeResult result = Run("tfyrn");
  EXPECT_EQ(result.lines, Lines{kNotLoaded});
  EXPECT_EQ(result.exit_code, 2);
}

TEST_F(FyrnLoadTest, LibraryWithoutTheCheckShowsTheBoxAndRefusesTheStart) {
  PutLibrary(FAKE_FYRN_NO_CHECK_PATH, ProgramDir());
  const ProbeResult result = Run("tfyrn");
  EXPECT_EQ(result.lines, Lines{kNoCheck});
  EXPECT_EQ(result.exit_code, 2);
}

TEST_F(FyrnLoadTest, RefusedCheckShowsTheBoxAndRefusesTheStart) {
  PutLibrary(FAKE_FYRN_REFUSES_PATH, ProgramDir());
  const ProbeResult result = Run("tfyrn");
  EXPECT_EQ(result.lines, Lines{kRefused});
  EXPECT_EQ(result.exit_code, 2);
}

TEST_F(FyrnLoadTest, MissingEntryPointShowsTheBoxAndRefusesTheStart) {
  PutLibrary(FAKE_FYRN_INCOMPLETE_PATH, ProgramDir());
  const ProbeResult result = Run("tfyrn");
  EXPECT_EQ(result.lines,
            Lines{"BOX Error!|Модуль \"libFyrn.so\" загружен, однако в нём нет функции "
                  "\"ibxFBCreateConnection\". В запуске приложения отказано!|error"});
  EXPECT_EQ(result.exit_code, 2);
}

TEST_F(FyrnLoadTest, RealLibraryBindsAndIsUnloadedWithTheBinding) {
  PutLibrary(FYRN_LIBRARY_PATH, ProgramDir());
  const ProbeResult result = Run("tfyrn");
  EXPECT_EQ(result.lines, (Lines{"BOUND rivetcode", "MAPPED no"}));
  EXPECT_EQ(result.exit_code, 0);
}

TEST_F(FyrnLoadTest, SecondBindingPrefersTheProgramFolder) {
  PutLibrary(FYRN_LIBRARY_PATH, ProgramDir());
  PutLibrary(FYRN_LIBRARY_PATH, RootDir());
  const ProbeResult result = Run("second");
  ASSERT_FALSE(result.lines.empty());
  EXPECT_EQ(result.lines[0], "LOADED " + ProgramDir() + "libFyrn.so");
  EXPECT_EQ(result.exit_code, 0);
}

TEST_F(FyrnLoadTest, SecondBindingFallsBackToTheSuiteRootThenTheBareName) {
  PutLibrary(FYRN_LIBRARY_PATH, RootDir());
  ProbeResult result = Run("second");
  ASSERT_FALSE(result.lines.empty());
  EXPECT_EQ(result.lines[0], "LOADED " + RootDir() + "libFyrn.so");

  fs::remove(RootDir() + "libFyrn.so");
  const std::string elsewhere = dir_ / "elsewhere/";
  fs::create_directories(elsewhere);
  PutLibrary(FYRN_LIBRARY_PATH, elsewhere);
  ScopedEnv library_path("LD_LIBRARY_PATH", elsewhere);
  result = Run("second");
  ASSERT_FALSE(result.lines.empty());
  EXPECT_EQ(result.lines[0], "LOADED libFyrn.so");
  EXPECT_EQ(result.exit_code, 0);
}

TEST_F(FyrnLoadTest, SecondBindingWithoutAnyLibraryShowsItsBoxAndRefusesTheStart) {
  const ProbeResult result = Run("second");
  EXPECT_EQ(result.lines, Lines{kSecondNotLoaded});
  EXPECT_EQ(result.exit_code, 2);
}

TEST_F(FyrnLoadTest, ShutdownUnloadsTheLibraryOnlyWhenFyrnDllIsLoadedIsOne) {
  PutLibrary(FYRN_LIBRARY_PATH, ProgramDir());
  for (const char* value : {"", "0", "true", " 1"}) {
    ScopedEnv flag("FYRNDLL_ISLOADED", std::string(value));
    EXPECT_EQ(Run("startup").lines, (Lines{"BOUND rivetcode", "MAPPED yes"}))
        << "FYRNDLL_ISLOADED=\"" << value << "\"";
  }
  {
    const ProbeResult unset = Run("startup");
    EXPECT_EQ(unset.lines, (Lines{"BOUND rivetcode", "MAPPED yes"}));
  }
  ScopedEnv flag("FYRNDLL_ISLOADED", std::string("1"));
  const ProbeResult result = Run("startup");
  EXPECT_EQ(result.lines, (Lines{"BOUND rivetcode", "MAPPED no"}));
  EXPECT_EQ(result.exit_code, 0);
}

}  // namespace
}  // namespace brindle
