// The suite's install root: the directory named by ZEMT_ROOT, else /opt/zemt/. Every fixed
// path of the suite (settings, logs, office data, the two libraries) lies under it.
#pragma once

#include <string>
#include <string_view>

namespace brindle {

// The root with a trailing "/"; read from the environment on every call, so tests may move it.
std::string SuiteRoot();

// Why the root cannot be used, for the operator: it does not exist or is no folder. Empty when
// it is a folder. The programs refuse to start on it rather than create anything there.
std::string SuiteRootProblem();

// A path under the root, e.g. SuitePath("INI/") or SuitePath("LogFiles/Brindle.log").
std::string SuitePath(std::string_view relative);

// This computer's network name.
std::string ComputerName();

// The folder for temporary files: $TMPDIR, else /tmp, with a trailing "/".
std::string TempFolder();

}  // namespace brindle
