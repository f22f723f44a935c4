// The checks before copying starts, shared by the window's "ЗАПУСТИТЬ" and brindle-sync: the two
// paths, that the copy is no working database and that the working database is one. Each raises
// its message for the operator; none writes anything.
#pragma once

#include <string>

#include "platform/date_time.h"
#include "replication/copy_engine.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// The paths as the operator gave them: neither empty, and not the same.
void CheckCopyingPaths(const std::string& source_text, const std::string& target_text);
// The copy is no working database; returns the copy's last copy time.
TDateTime CheckCopyDatabase(TFyrn& fyrn, const TCopySettings& settings);
// The same for the engine's copy, taking the copy's last copy time into the engine.
void CheckCopyDatabase(TCopyEngine& engine);
// The working database is one, and no copy.
void CheckWorkDatabase(TFyrn& fyrn, const TCopySettings& settings);

}  // namespace brindle
