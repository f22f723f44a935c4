// Where a window was last on the screen, kept between its uses and between runs in the
// settings file BrindlePlacement (one section per window).
#pragma once

#include <optional>
#include <string>

namespace brindle {

struct TWindowPosition {
  int Left = 0;
  int Top = 0;
  bool operator==(const TWindowPosition&) const = default;
};

// The window's last position, or none when it was never stored. A settings file that cannot be
// read counts as none; the failure is logged as a warning.
std::optional<TWindowPosition> LoadWindowPosition(const std::string& window_name);

// Stores the position. A settings file that cannot be written costs only the position: the
// failure is logged as a warning, never raised.
void SaveWindowPosition(const std::string& window_name, const TWindowPosition& position);

}  // namespace brindle
