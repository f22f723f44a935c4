// Scoped start-up steps shared by the window program and the console program: each undoes its
// step when it goes, so shutdown runs in the reverse order of start-up.
#pragma once

#include <memory>

#include "dbaccess/fyrn.h"
#include "infra/logger.h"

namespace brindle {

// The binding of the database utility library, installed for the code that reaches it through
// Fyrn().
class FyrnInstall {
 public:
  FyrnInstall() : fyrn_(std::make_unique<TFyrn>()) { InstallFyrn(fyrn_.get()); }
  ~FyrnInstall() { InstallFyrn(nullptr); }
  FyrnInstall(const FyrnInstall&) = delete;
  FyrnInstall& operator=(const FyrnInstall&) = delete;

  TFyrn& Binding() { return *fyrn_; }

 private:
  std::unique_ptr<TFyrn> fyrn_;
};

class LoggerModule {
 public:
  LoggerModule() { InitLoggerModule(); }
  ~LoggerModule() { FinalizeLoggerModule(); }
  LoggerModule(const LoggerModule&) = delete;
  LoggerModule& operator=(const LoggerModule&) = delete;
};

}  // namespace brindle
