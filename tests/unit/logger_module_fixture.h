// A fresh logger module for every test, whose error log lies in the test's own folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "infra/logger.h"
#include "tests/support/temp_dir.h"

namespace brindle::testing {

class LoggerModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tmp = std::getenv("TMPDIR")) saved_tmpdir_ = tmp;
    setenv("TMPDIR", dir.Path().c_str(), 1);
    FinalizeLoggerModule();
    InitLoggerModule();
  }
  void TearDown() override {
    FinalizeLoggerModule();
    if (saved_tmpdir_) {
      setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  TempDir dir;

 private:
  std::optional<std::string> saved_tmpdir_;
};

}  // namespace brindle::testing
