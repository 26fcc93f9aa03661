#include "host/leave_pay_panel.h"

#include <QFormLayout>
#include <QLabel>

#include "core/lenient_number.h"
#include "core/regional_format.h"
#include "host/coravel_client.h"

namespace host {

LeavePayPanel::LeavePayPanel(QWidget* parent) : QGroupBox(QStringLiteral("Stored by the calculators"), parent) {
  setObjectName(QStringLiteral("grpStoredValues"));
  auto* form = new QFormLayout(this);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  addRow(QStringLiteral("holiday"), QStringLiteral("Holiday pay:"));
  addRow(QStringLiteral("holidayTime"), QStringLiteral("Holidays paid at:"));
  addRow(QStringLiteral("sick"), QStringLiteral("Sick pay:"));
  addRow(QStringLiteral("vacation"), QStringLiteral("Vacation pay:"));
  addRow(QStringLiteral("folder"), QStringLiteral("Profiles folder:"));
}

// A value is read, not edited: one line beside its caption, no Tab stop;
// a screen reader reads the two as one item, the value's accessible name.
QLabel* LeavePayPanel::addRow(const QString& key, const QString& caption) {
  auto* value = new QLabel(this);
  value->setObjectName(QStringLiteral("lbl_") + key);
  value->setTextInteractionFlags(Qt::NoTextInteraction);
  value->setFocusPolicy(Qt::NoFocus);
  value->setWordWrap(false);
  value->setProperty("caption", caption);
  static_cast<QFormLayout*>(layout())->addRow(caption, value);
  rows_.insert(key, value);
  return value;
}

void LeavePayPanel::showValue(const QString& key, const QString& text) {
  QLabel* value = rows_.value(key);
  value->setText(text);
  value->setToolTip(text);
  value->setAccessibleName(value->property("caption").toString() + QLatin1Char(' ') + text);
}

QString rateAndHours(const QString& rate, const QString& hours, const QLocale& locale) {
  if (rate.isEmpty() && hours.isEmpty()) return QStringLiteral("not set");
  const QString rateText = rate.isEmpty()
                               ? QStringLiteral("no rate")
                               : core::formatCurrency(core::readLenientNumber(rate), locale) + QStringLiteral(" an hour");
  return hours.isEmpty() ? rateText : rateText + QStringLiteral(", ") + hours + QStringLiteral(" hours a day");
}

namespace {

// The holiday pay option stored as "True" among the four.
QString holidayTime(CoravelClient& coravel) {
  static const std::pair<const char*, const char*> kOptions[] = {
      {"HolidaysPayTimeNone", "the current rate"},
      {"HolidaysPayTimeHalf", "time and a half"},
      {"HolidaysPayTimeDouble", "double time"},
      {"HolidaysPayTimeDoubleHalf", "double time and a half"},
  };
  for (const auto& [name, text] : kOptions)
    if (coravel.setting(QLatin1String(name)).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
      return QLatin1String(text);
  return QStringLiteral("not chosen");
}

}  // namespace

void LeavePayPanel::refresh(CoravelClient& coravel) {
  const QLocale locale = core::regionalLocale();
  showValue(QStringLiteral("holiday"), rateAndHours(coravel.setting(QStringLiteral("HolidaysPay")),
                                               coravel.setting(QStringLiteral("HolidaysHrs")), locale));
  showValue(QStringLiteral("holidayTime"), holidayTime(coravel));
  showValue(QStringLiteral("sick"), rateAndHours(coravel.setting(QStringLiteral("SickPay")),
                                            coravel.setting(QStringLiteral("SickHrs")), locale));
  showValue(QStringLiteral("vacation"), rateAndHours(coravel.setting(QStringLiteral("VacationsPay")),
                                                coravel.setting(QStringLiteral("VacationsHrs")), locale));
  const QString folder = coravel.setting(QStringLiteral("AppPath"));
  showValue(QStringLiteral("folder"), folder.isEmpty() ? QStringLiteral("not chosen") : folder);
}

QString LeavePayPanel::shown(const QString& row) const {
  const QLabel* label = rows_.value(row);
  return label ? label->text() : QString();
}

}  // namespace host
