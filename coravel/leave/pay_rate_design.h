#pragma once
// The one design of the sick and vacation pay windows, and its two
// configurations: names, captions, geometry, tab order and settings values.
#include <QPixmap>
#include <QString>
#include <array>

#include "platform/ui/form_layout.h"

namespace coravel {

struct PayRateDesign {
  enum class Control { RateBox, HoursBox, OkButton };

  const char* windowName;
  QString caption;
  int clientWidth, clientHeight;  // twips
  QPixmap (*drawPicture)();
  platform::TwipRect picture;
  const char* pictureName;  // read by assistive technology
  QString ratePrompt;  // Label1
  platform::TwipRect ratePromptRect;
  const char* rateBoxName;
  platform::TwipRect rateBox;
  QString payPrompt;  // Label2
  platform::TwipRect payPromptRect;
  const char* hoursBoxName;
  platform::TwipRect hoursBox;
  platform::TwipRect hoursLabel;  // Label3, "hours per day."
  platform::TwipRect okButton;
  std::array<Control, 3> tabOrder;
  QString rateSetting, hoursSetting;  // values in the settings key
};

PayRateDesign sickDesign();      // frmSick
PayRateDesign vacationDesign();  // frmVacations

}  // namespace coravel
