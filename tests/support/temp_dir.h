// A fresh temporary directory for one test, removed with everything in it afterwards. It also
// points ZEMT_ROOT and the lock directory into itself, so tests never touch a real suite root.
#pragma once

#include <string>

namespace brindle::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Whole-file helpers for checking what the code wrote.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace brindle::testing
