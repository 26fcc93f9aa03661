#include "rowcast/front/clock_text.h"

#include <QLocale>
#include <QRegularExpression>

namespace rowcast {

QString shortDateText(const QDate& date) { return QLocale::system().toString(date, QLocale::ShortFormat); }

QString timeText(const QTime& time) {
  const QLocale locale = QLocale::system();
  // The long form is the one with seconds; a log line has no use for the zone.
  QString format = locale.timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*t+"));
  format.remove(zone);
  return locale.toString(time, format.trimmed());
}

}  // namespace rowcast
