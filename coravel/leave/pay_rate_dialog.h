#pragma once
// frmSick and frmVacations: one window design that asks for a pay rate and
// the hours per day, shows what was stored last time, and on Ok stores both
// as normalised number texts in the settings key, where the host reads them.
#include <QDialog>

#include "coravel/leave/pay_rate_design.h"
#include "coravel/settings/registry_settings.h"

class QLineEdit;

namespace platform {
class Ui;
}

namespace coravel {

class RateBox;

class PayRateDialog : public QDialog {
  Q_OBJECT

 public:
  // The window of `design` in its design state; `ui` sounds the beep of the
  // key filter.
  PayRateDialog(PayRateDesign design, platform::Registry& registry, platform::Ui& ui, QWidget* parent = nullptr);

  // The opening code: fills both boxes from the stored values.
  void load();

 protected:
  // The window closes only through Ok or its close box: Escape does nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void saveAndClose();

 private:
  void createControls();
  QString storedText(const QString& setting);

  PayRateDesign design_;
  RegistrySettings settings_;
  platform::Ui& ui_;
  RateBox* rateBox_ = nullptr;
  QLineEdit* hoursBox_ = nullptr;
};

}  // namespace coravel
