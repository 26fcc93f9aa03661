#include "host/profile_summary.h"

#include "core/regional_format.h"

namespace host {

QString ProfileSummary::text(const QLocale& locale) const {
  const QString yearText = year ? QString::number(year) : QStringLiteral("none");
  return QStringLiteral("%1 %2 from %3 %4, year %5, Y-T-D %6")
      .arg(locale.toString(rows), rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
      .arg(files)
      .arg(files == 1 ? QStringLiteral("file") : QStringLiteral("files"), yearText,
           core::formatCurrency(yearToDate, locale));
}

QLocale hostLocale() {
  const QLocale system = QLocale::system();
  return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

namespace {

// The year of a Date cell, month first and year last ("03/15/2025").
int32_t yearOf(const QString& date) {
  const QString digits = date.right(4).trimmed();
  bool ok = false;
  const int year = digits.toInt(&ok);
  return ok && year > 0 ? year : 0;
}

}  // namespace

ProfileSummary summarize(const coravel::ProfileTable& list, int filesRead, const QLocale& locale) {
  ProfileSummary summary;
  summary.rows = list.itemCount();
  summary.files = filesRead;
  for (int item = 0; item < list.itemCount(); ++item) {
    if (summary.year == 0) summary.year = yearOf(list.cellText(item, coravel::ProfileTable::kDateColumn));
    if (auto amount = core::readMoney(list.cellText(item, coravel::ProfileTable::kTotalPayColumn), locale))
      summary.yearToDate += *amount;
  }
  return summary;
}

}  // namespace host
