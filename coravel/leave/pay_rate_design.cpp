#include "coravel/leave/pay_rate_design.h"

#include "coravel/leave/leave_pictures.h"

namespace coravel {

using Control = PayRateDesign::Control;

PayRateDesign sickDesign() {
  return PayRateDesign{
      .windowName = "frmSick",
      .caption = QStringLiteral("Sick"),
      .clientWidth = 5370,
      .clientHeight = 1920,
      .drawPicture = &drawSickPicture,
      .picture = {45, 60, 1920, 1815},
      .pictureName = "Sick pay picture",
      .ratePrompt = QStringLiteral("Enter the amount of Sick pay rate: $"),
      .ratePromptRect = {2100, 345, 2955, 270},
      .rateBoxName = "txtSick",
      .rateBox = {4680, 315, 660, 300},
      .payPrompt = QStringLiteral("Sick pay at:"),
      .payPromptRect = {2115, 735, 915, 240},
      .hoursBoxName = "txtSickHrs",
      .hoursBox = {3000, 690, 270, 285},
      .hoursLabel = {3300, 735, 1215, 240},
      .okButton = {2362, 1530, 780, 300},
      .tabOrder = {Control::RateBox, Control::HoursBox, Control::OkButton},
      .rateSetting = QStringLiteral("SickPay"),
      .hoursSetting = QStringLiteral("SickHrs"),
  };
}

PayRateDesign vacationDesign() {
  return PayRateDesign{
      .windowName = "frmVacations",
      .caption = QStringLiteral("Vacations"),
      .clientWidth = 5850,
      .clientHeight = 1845,
      .drawPicture = &drawVacationPicture,
      .picture = {45, 30, 2100, 1785},
      .pictureName = "Vacation pay picture",
      .ratePrompt = QStringLiteral("Enter the amount of Vacation pay rate: $"),
      .ratePromptRect = {2205, 360, 2955, 270},
      .rateBoxName = "txtVacations",
      .rateBox = {5145, 315, 660, 300},
      .payPrompt = QStringLiteral("Vacation pay at:"),
      .payPromptRect = {2220, 750, 1305, 240},
      .hoursBoxName = "txtVHrs",
      .hoursBox = {3450, 705, 270, 285},
      .hoursLabel = {3750, 750, 1215, 240},
      .okButton = {2535, 1485, 780, 300},
      // The system's own: backwards, unlike the sick window (PayRateDesigns.TabOrderAndGeometryFollowEachDesign).
      .tabOrder = {Control::OkButton, Control::HoursBox, Control::RateBox},
      .rateSetting = QStringLiteral("VacationsPay"),
      .hoursSetting = QStringLiteral("VacationsHrs"),
  };
}

}  // namespace coravel
