#pragma once
// What the three calculators stored, read back from the settings store as
// the host reads it, and the profile folder (AppPath).
#include <QGroupBox>
#include <QHash>
#include <QLocale>

class QLabel;

namespace host {

class CoravelClient;

class LeavePayPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit LeavePayPanel(QWidget* parent = nullptr);

  // Reads every value again.
  void refresh(CoravelClient& coravel);

  // The text shown for a row (tests): "holiday", "sick", "vacation", "folder".
  QString shown(const QString& row) const;

 private:
  QLabel* addRow(const QString& key, const QString& caption);
  void showValue(const QString& key, const QString& text);

  QHash<QString, QLabel*> rows_;
};

// "$12.50 an hour, 8 hours a day": how a rate and hours read back, the rate
// as money in `locale`.
QString rateAndHours(const QString& rate, const QString& hours, const QLocale& locale);

}  // namespace host
