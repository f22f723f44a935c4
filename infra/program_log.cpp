#include "infra/program_log.h"

#include <atomic>

namespace brindle {

namespace {
std::atomic<TMirtLogger*> program_log{nullptr};
}  // namespace

TMirtLogger* ProgramLog() { return program_log.load(); }

std::unique_ptr<TMirtLogger> SetProgramLog(std::unique_ptr<TMirtLogger> logger) {
  return std::unique_ptr<TMirtLogger>(program_log.exchange(logger.release()));
}

void LogProgram(std::string_view message, int level) {
  if (TMirtLogger* log = program_log.load()) log->Write(message, level);
}

}  // namespace brindle
