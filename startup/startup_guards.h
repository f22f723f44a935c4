// Scoped start-up steps shared by the window program and the console program: each undoes its
// step when it goes, so shutdown runs in the reverse order of start-up.
#pragma once

#include "infra/logger.h"

namespace brindle {

class LoggerModule {
 public:
  LoggerModule() { InitLoggerModule(); }
  ~LoggerModule() { FinalizeLoggerModule(); }
  LoggerModule(const LoggerModule&) = delete;
  LoggerModule& operator=(const LoggerModule&) = delete;
};

}  // namespace brindle
