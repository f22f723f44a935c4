// The display-scaling switch applied to Qt: windows are laid out for 96 pixels per inch, so a
// forced resolution scales every window by dpi / 96 instead of the screen's own factor.
#pragma once

namespace brindle {

// Must run before the QApplication is made; dpi > 0.
void ApplyDisplayScaling(int dpi);

}  // namespace brindle
