// Shared pieces of the fuzz targets: a per-process scratch file and a failure that libFuzzer
// records as a crash with its input.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace brindle::fuzz {

// abort() rather than an exception, so the input is saved even when a harness catches.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "fuzz property failed: %s %.*s\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

// One file per process, so parallel fuzzing jobs do not share it.
inline const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string file = std::string(dir && *dir ? dir : "/tmp") + "/brindle-fuzz-" +
                       std::to_string(::getpid()) + ".ini";
    std::atexit([] { std::remove(ScratchFile().c_str()); });
    return file;
  }();
  return path;
}

inline void WriteScratch(std::string_view bytes) {
  std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write the scratch file", ScratchFile());
}

}  // namespace brindle::fuzz
