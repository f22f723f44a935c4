// Drives a settings file from a separate process for the cross-process tests:
//   ini_tool write FILE SECTION PREFIX COUNT   write COUNT keys PREFIX0.., one object each
//   ini_tool hold FILE                         take the file's lock, say "locked", wait
//   ini_tool churn FILE                        rewrite a long multi-piece value until killed
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "infra/safe_ini_file.h"

using brindle::TSafeIniFile;

// A value of 3 pieces, every character of it derived from the round number.
std::string ChurnValue(int round) {
  return std::string(TSafeIniFile::kMaxPieceChars * 2 + 100, static_cast<char>('a' + round % 26));
}

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  const std::string file = argc > 2 ? argv[2] : "";
  try {
    if (mode == "write" && argc == 6) {
      const int count = std::atoi(argv[5]);
      for (int i = 0; i < count; ++i) {
        const std::string key = argv[4] + std::to_string(i);
        TSafeIniFile(file).WriteString(argv[3], key, key + "-value");
      }
      return 0;
    }
    if (mode == "hold") {
      TSafeIniFile ini(file);
      ini.LockMutex()->Lock();
      std::printf("locked\n");
      std::fflush(stdout);
      for (;;) pause();
    }
    if (mode == "churn") {
      for (int round = 0;; ++round) {
        TSafeIniFile(file).WriteString("DATA", "Value", ChurnValue(round));
        std::printf("%d\n", round);
        std::fflush(stdout);
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: ini_tool write|hold|churn FILE ...\n");
  return 2;
}
