// A database server's own clock. Lag is taken on the working server's clock, which may be hours
// from the copying computer's or the copy server's (another time zone); a pass measures how far
// the working server's clock is from the copy server's and records it in the copy, so that lag
// can still be estimated while the working server cannot be reached.
#pragma once

#include "platform/date_time.h"

namespace brindle {

class TFyrn;
namespace ibx {
class TIBDatabase;
}

// The server's CURRENT_TIMESTAMP.
TDateTime ServerTime(TFyrn& fyrn, ibx::TIBDatabase& connection);

}  // namespace brindle
