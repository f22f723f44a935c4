#include "ui/display_scaling.h"

#include <QByteArray>
#include <QtGlobal>

namespace brindle {

namespace {
constexpr double kDesignDpi = 96.0;
}  // namespace

void ApplyDisplayScaling(int dpi) {
  // The forced value replaces the screen's own factor rather than multiplying it.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qputenv("QT_SCALE_FACTOR", QByteArray::number(dpi / kDesignDpi));
}

}  // namespace brindle
