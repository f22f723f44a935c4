// What the main window decides about the check of the copy between passes: asking for a round (a
// repair only once the operator has agreed to it) and what it shows of the round under way and
// of the last one. The round runs on the copy thread (replication/check/sliced_check.h); the
// window only asks and reads, so it never waits for a database.
#pragma once

#include <optional>
#include <string>

#include "replication/check/sliced_check.h"
#include "replication/copy_engine.h"
#include "ui/copy_control.h"
#include "ui/known_freshness.h"

namespace brindle {

// A round at the next slice, begun at once rather than after the next pass. A repair is asked
// for only once the operator agrees in a box that says what it writes; false when they did not.
bool AskForCheckRound(TSlicedCheck& check, TCopyEngine& engine, bool repair);

struct TCheckDisplay {
  bool Enabled = false;  // the check's button
  std::string Text;      // the check's line; empty: none to show
  TRgb Color;
};

// The button only while copying is on and no round runs: the start checks of copying have made
// sure the copy is a copy and the working database a working one, and the paths stay as they
// are. The line: the round under way, else the last one that ended, else why none could begin.
TCheckDisplay ComputeCheckDisplay(const TRoundState& state, const std::optional<TKnownRound>& last,
                                  bool copy_enabled);

}  // namespace brindle
