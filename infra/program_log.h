// The program's log: one TMirtLogger that start-up creates on LogFiles/Brindle.log and
// shutdown destroys. Code that logs reaches it here; while there is none, lines are dropped.
#pragma once

#include <memory>
#include <string_view>

#include "infra/logger.h"

namespace brindle {

// The program's logger, or null before start-up made it and after shutdown.
TMirtLogger* ProgramLog();

// Installs the program's logger (null removes it) and returns the one it replaces. Called at
// start-up and shutdown while no other thread logs.
std::unique_ptr<TMirtLogger> SetProgramLog(std::unique_ptr<TMirtLogger> logger);

// Writes one line to the program's log, if there is one.
void LogProgram(std::string_view message, int level = LogPlain);

}  // namespace brindle
