#pragma once
// frmHolidays: the holiday pay calculator. The user types the hourly rate and
// the hours per day and picks how the holiday rate relates to the hourly one;
// the window shows the holiday rate, cut to whole cents, in the result box and
// in the caption of the chosen option. Ok stores the typed texts and the
// choice in the settings key, where the host reads them.
#include <QDialog>
#include <array>

#include "coravel/settings/registry_settings.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

namespace platform {
class Ui;
}

namespace coravel {

class RateBox;

class HolidayDialog : public QDialog {
  Q_OBJECT

 public:
  // The window in its design state; `ui` sounds the beep of the key filter.
  HolidayDialog(platform::Registry& registry, platform::Ui& ui, QWidget* parent = nullptr);

  // The opening code: restores the choice and the rate and shows the holiday
  // rate. A stored choice flag that is not a truth value throws
  // core::FaultError(13); the window must then not be shown.
  void load();

 protected:
  // The window closes only through Ok or its close box: Escape does nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void showAmountFor(int option);
  void showUnmultipliedRate();
  void saveAndClose();

 private:
  void createControls();
  void createOptions();
  void restoreChoice();
  void letTabEnterOptionsAtTheChoice();
  void resetOptionCaptions();
  // Shows a rate already cut to whole cents in the result box.
  void showComputedRate(double rate);

  RegistrySettings settings_;
  platform::Ui& ui_;
  RateBox* rateBox_ = nullptr;
  QLineEdit* hoursBox_ = nullptr;
  QLineEdit* resultBox_ = nullptr;
  QButtonGroup* options_ = nullptr;
  std::array<QRadioButton*, 4> optionButtons_{};
};

}  // namespace coravel
