#pragma once
// Date and time as the user's regional settings write them: the short date
// form, and the time form with seconds but without the time zone.
#include <QDateTime>
#include <QString>

namespace rowcast {

QString shortDateText(const QDate& date);
QString timeText(const QTime& time);

}  // namespace rowcast
