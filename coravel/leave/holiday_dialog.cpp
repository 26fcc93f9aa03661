#include "coravel/leave/holiday_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "coravel/leave/holiday_rate.h"
#include "coravel/leave/leave_pictures.h"
#include "coravel/leave/rate_box.h"
#include "core/lenient_number.h"
#include "core/no_round.h"
#include "core/regional_format.h"
#include "core/truth_text.h"
#include "platform/ui/accessible_texts.h"
#include "platform/ui/form_layout.h"
#include "platform/ui/ui.h"

namespace coravel {

using platform::TwipRect;
using platform::formFont;
using platform::setClientSize;
using platform::place;
using platform::addLabel;
using platform::addPicture;
using platform::addTextBox;
using platform::addOkButton;
using platform::chainTabOrder;

namespace {

struct HolidayOption {
  const char* name;
  const char* caption;
  TwipRect rect;  // within the frame
  HolidayFactor factor;
  const char* flag;  // the value in the settings key that stores the choice
};

// In the order of the design; an option's index is its id in the group.
const std::array<HolidayOption, 4> kOptions = {{
    {"Option1", "At current rate", {240, 300, 3645, 225}, HolidayFactor::AtCurrentRate, "HolidaysPayTimeNone"},
    {"optTimeHalf", "Time and a half ( 1\u00BD )", {240, 540, 3645, 240}, HolidayFactor::TimeAndAHalf,
     "HolidaysPayTimeHalf"},
    {"optTimeDouble", "Double Time ( 2 )", {240, 780, 3645, 240}, HolidayFactor::DoubleTime, "HolidaysPayTimeDouble"},
    {"optTimeDoubleHalf", "Double Time and a half ( 2\u00BD )", {240, 1020, 3645, 240},
     HolidayFactor::DoubleTimeAndAHalf, "HolidaysPayTimeDoubleHalf"},
}};

// What assistive technology reads where a control has no caption of its own:
// each text box is read by the prompt at its left; the result box has none.
const platform::AccessibleText kAccessibleTexts[] = {
    {"Picture1", "Holiday pay picture", nullptr, nullptr},
    {"txtHolidaysTemp", nullptr, "Label1", nullptr},
    {"txtHrs", nullptr, "Label2", "hours per day."},
    {"txtHolidays", "Computed holiday pay rate", nullptr, nullptr},
};

// The flags are read on opening and stored on Ok in this order; when several
// stored flags are true, the last of them is the choice.
constexpr std::array<int, 4> kFlagOrder = {1, 2, 3, 0};

const QString kRateSetting = QStringLiteral("HolidaysPay");
const QString kHoursSetting = QStringLiteral("HolidaysHrs");

QString captionOf(const HolidayOption& option) { return QString::fromUtf8(option.caption); }

}  // namespace

HolidayDialog::HolidayDialog(platform::Registry& registry, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), settings_(registry), ui_(ui) {
  setObjectName(QStringLiteral("frmHolidays"));
  setWindowTitle(QStringLiteral("Holidays"));
  setFont(formFont());
  setClientSize(this, 5835, 2820);
  createControls();
}

void HolidayDialog::createControls() {
  // Labels first: the boxes they overlap stay on top of them.
  QLabel* picture = addPicture(this, drawHolidayPicture(), {45, 180, 1740, 2175});
  setWindowIcon(picture->pixmap());
  addLabel(this, "Label1", QStringLiteral("Enter the amount of Holiday pay rate: $"), {1860, 195, 2955, 270});
  addLabel(this, "Label2", QStringLiteral("Holiday pay at:"), {1860, 585, 1305, 240});
  addLabel(this, "Label3", QStringLiteral("hours per day."), {3285, 585, 1215, 240});

  rateBox_ = new RateBox(this);
  place(rateBox_, "txtHolidaysTemp", {4650, 150, 660, 300});
  hoursBox_ = addTextBox(this, "txtHrs", QStringLiteral("8"), {2970, 540, 270, 285});
  resultBox_ = addTextBox(this, "txtHolidays", QString(), {4650, 495, 660, 330});
  // Nothing reads the result box; typing there would only mislead.
  resultBox_->setReadOnly(true);
  QPushButton* ok = addOkButton(this, {2527, 2475, 780, 300});
  createOptions();

  connect(rateBox_, &RateBox::inputRefused, this, [this] { ui_.beep(); });
  connect(rateBox_, &RateBox::focusLeft, this, &HolidayDialog::showUnmultipliedRate);
  connect(options_, &QButtonGroup::idClicked, this, &HolidayDialog::showAmountFor);
  connect(ok, &QPushButton::clicked, this, &HolidayDialog::saveAndClose);

  chainTabOrder({rateBox_, hoursBox_, ok, optionButtons_[1], optionButtons_[2], optionButtons_[3],
                 optionButtons_[0], resultBox_});
  platform::applyAccessibleTexts(*this, kAccessibleTexts);
}

void HolidayDialog::createOptions() {
  auto* frame = new QGroupBox(QStringLiteral("Holiday Pay rate at per hour:"), this);
  place(frame, "Frame1", {1830, 945, 3945, 1410});
  options_ = new QButtonGroup(this);
  for (int i = 0; i < int(kOptions.size()); ++i) {
    auto* button = new QRadioButton(captionOf(kOptions[i]), frame);
    place(button, kOptions[i].name, kOptions[i].rect);
    options_->addButton(button, i);
    optionButtons_[i] = button;
  }
}

void HolidayDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void HolidayDialog::load() {
  restoreChoice();
  letTabEnterOptionsAtTheChoice();
  rateBox_->setText(settings_.readSetting(kRateSetting).toText());
  // The system's own: the hours box keeps its design text; the stored hours
  // are the host's (LeaveWindowsTest.EachHolidayCallOpensWithWhatTheLastOkStored).
  if (QAbstractButton* chosen = options_->checkedButton()) {
    showAmountFor(options_->id(chosen));
  } else {
    showComputedRate(core::noRound(rateBox_->text()));
  }
}

void HolidayDialog::restoreChoice() {
  for (int i : kFlagOrder) {
    const core::Value stored = settings_.readSetting(QLatin1String(kOptions[i].flag));
    const std::optional<QString> text = stored.isEmpty() ? std::nullopt : std::optional(stored.toText());
    if (core::readTruthText(text)) optionButtons_[i]->setChecked(true);
  }
}

// Qt moves the Tab stop of a group to the option that last had the focus;
// until then it would sit on the first option, whichever is chosen.
void HolidayDialog::letTabEnterOptionsAtTheChoice() {
  if (!options_->checkedButton()) return;
  for (QRadioButton* button : optionButtons_)
    button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void HolidayDialog::showAmountFor(int option) {
  resetOptionCaptions();
  const double rate = core::readLenientNumber(rateBox_->text());
  showComputedRate(cutToCents(holidayAmount(kOptions[option].factor, rate)));
  optionButtons_[option]->setText(captionOf(kOptions[option]) + QStringLiteral("   [$") + resultBox_->text() +
                                  QStringLiteral("]"));
}

// The rate itself, without the chosen factor, until an option is clicked again.
void HolidayDialog::showUnmultipliedRate() {
  showComputedRate(cutToCents(core::readLenientNumber(rateBox_->text())));
}

void HolidayDialog::saveAndClose() {
  settings_.writeSetting(kRateSetting, rateBox_->text());
  settings_.writeSetting(kHoursSetting, hoursBox_->text());
  for (int i : kFlagOrder)
    settings_.writeSetting(QLatin1String(kOptions[i].flag), core::truthToText(optionButtons_[i]->isChecked()));
  accept();
}

void HolidayDialog::resetOptionCaptions() {
  for (int i = 0; i < int(kOptions.size()); ++i) optionButtons_[i]->setText(captionOf(kOptions[i]));
}

void HolidayDialog::showComputedRate(double rate) {
  resultBox_->setText(core::formatPattern(rate, QStringLiteral("#0.00")));
}

}  // namespace coravel
