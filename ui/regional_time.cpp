#include "ui/regional_time.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace brindle {

namespace {

// The locale's long time format without its time-zone field.
QString TimeFormatWithSeconds(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString result;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    result += c;
  }
  return result.simplified();
}

}  // namespace

std::string RegionalDateTimeText(TDateTime value) {
  const DateTimeFields fields = DecodeDateTime(value);
  const QLocale locale;
  const QDate date(fields.year, fields.month, fields.day);
  const QTime time(fields.hour, fields.minute, fields.second);
  return (locale.toString(date, QLocale::ShortFormat) + u' ' +
          locale.toString(time, TimeFormatWithSeconds(locale)))
      .toStdString();
}

}  // namespace brindle
