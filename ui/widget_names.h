// Small helpers the windows share while building their widgets.
#pragma once

#include <QString>
#include <string>

namespace brindle {

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The object name by which tests and screenshots find the widget.
template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace brindle
