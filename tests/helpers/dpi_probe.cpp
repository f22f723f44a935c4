// Starts Qt the way the program does with the given arguments and prints the main window's
// scale factor and the size of its picture in device pixels: "<factor> <width>x<height>".
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "replication/copy_engine.h"
#include "ui/display_scaling.h"
#include "ui/dpi_switch.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  using namespace brindle;
  if (const auto dpi = ParseDpiSwitch(std::vector<std::string>(argv + 1, argv + argc))) {
    ApplyDisplayScaling(*dpi);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // The window only: no pass ever runs.
  TCopyEngine engine(TCopySettings{},
                     [](const TCopySettings&, TPassProgress&) { return TPassResult{}; });
  TForm4 form(engine);
  form.show();
  const QImage picture = form.grab().toImage();
  std::printf("%g %dx%d\n", form.devicePixelRatioF(), picture.width(), picture.height());
  return 0;
}
