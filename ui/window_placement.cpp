#include "ui/window_placement.h"

#include <climits>
#include <exception>

#include "infra/program_log.h"
#include "settings/copy_settings.h"

namespace brindle {

namespace {

constexpr char kPlacementSettings[] = "BrindlePlacement";
constexpr std::int32_t kMissing = INT32_MIN;

}  // namespace

std::optional<TWindowPosition> LoadWindowPosition(const std::string& window_name) {
  try {
    const std::int32_t left = ReadSettingInt(kPlacementSettings, window_name, "Left", kMissing);
    const std::int32_t top = ReadSettingInt(kPlacementSettings, window_name, "Top", kMissing);
    if (left == kMissing || top == kMissing) return std::nullopt;
    return TWindowPosition{left, top};
  } catch (const std::exception& e) {
    LogProgram("Положение окна " + window_name + " не прочитано: " + e.what(), LogWarning);
  }
  return std::nullopt;
}

void SaveWindowPosition(const std::string& window_name, const TWindowPosition& position) {
  try {
    WriteSettingInt(kPlacementSettings, window_name, "Left", position.Left);
    WriteSettingInt(kPlacementSettings, window_name, "Top", position.Top);
  } catch (const std::exception& e) {
    LogProgram("Положение окна " + window_name + " не сохранено: " + e.what(), LogWarning);
  }
}

}  // namespace brindle
