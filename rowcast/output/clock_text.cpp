#include "rowcast/output/clock_text.h"

#include <QLocale>
#include <QRegularExpression>

#include "core/regional_format.h"

namespace rowcast {

QString shortDateText(const QDate& date) { return core::regionalLocale().toString(date, QLocale::ShortFormat); }

QString timeText(const QTime& time) {
  const QLocale locale = core::regionalLocale();
  // The long form is the one with seconds; a log line has no use for the zone.
  QString format = locale.timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*t+"));
  format.remove(zone);
  return locale.toString(time, format.trimmed());
}

}  // namespace rowcast
