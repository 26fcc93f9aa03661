#include "coravel/leave/pay_rate_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "coravel/leave/rate_box.h"
#include "core/lenient_number.h"
#include "core/number_text.h"
#include "platform/ui/accessible_texts.h"
#include "platform/ui/ui.h"

namespace coravel {

using platform::formFont;
using platform::setClientSize;
using platform::place;
using platform::addLabel;
using platform::addPicture;
using platform::addTextBox;
using platform::addOkButton;
using platform::chainTabOrder;

namespace {

// What a typed number text is stored as: the number it reads as, in its
// shortest form ("12.50" -> "12.5", "" -> "0", "1.2.3" -> "1.2").
QString normalisedNumber(const QString& typed) { return core::numberToText(core::readLenientNumber(typed)); }

}  // namespace

PayRateDialog::PayRateDialog(PayRateDesign design, platform::Registry& registry, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), design_(std::move(design)), settings_(registry), ui_(ui) {
  setObjectName(QLatin1String(design_.windowName));
  setWindowTitle(design_.caption);
  setFont(formFont());
  setClientSize(this, design_.clientWidth, design_.clientHeight);
  createControls();
}

void PayRateDialog::createControls() {
  // Labels first: the boxes they overlap stay on top of them.
  QLabel* picture = addPicture(this, design_.drawPicture(), design_.picture);
  setWindowIcon(picture->pixmap());
  addLabel(this, "Label1", design_.ratePrompt, design_.ratePromptRect);
  addLabel(this, "Label2", design_.payPrompt, design_.payPromptRect);
  addLabel(this, "Label3", QStringLiteral("hours per day."), design_.hoursLabel);

  rateBox_ = new RateBox(this);
  place(rateBox_, design_.rateBoxName, design_.rateBox);
  hoursBox_ = addTextBox(this, design_.hoursBoxName, QString(), design_.hoursBox);
  QPushButton* ok = addOkButton(this, design_.okButton);

  connect(rateBox_, &RateBox::inputRefused, this, [this] { ui_.beep(); });
  connect(ok, &QPushButton::clicked, this, &PayRateDialog::saveAndClose);

  QList<QWidget*> tabOrder;
  for (PayRateDesign::Control control : design_.tabOrder) {
    switch (control) {
      case PayRateDesign::Control::RateBox: tabOrder.append(rateBox_); break;
      case PayRateDesign::Control::HoursBox: tabOrder.append(hoursBox_); break;
      case PayRateDesign::Control::OkButton: tabOrder.append(ok); break;
    }
  }
  chainTabOrder(tabOrder);

  // Each box is read by the prompt at its left.
  const platform::AccessibleText texts[] = {
      {"Picture1", design_.pictureName, nullptr, nullptr},
      {design_.rateBoxName, nullptr, "Label1", nullptr},
      {design_.hoursBoxName, nullptr, "Label2", "hours per day."},
  };
  platform::applyAccessibleTexts(*this, texts);
}

void PayRateDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PayRateDialog::load() {
  rateBox_->setText(storedText(design_.rateSetting));
  hoursBox_->setText(storedText(design_.hoursSetting));
}

QString PayRateDialog::storedText(const QString& setting) { return settings_.readSetting(setting).toText(); }

void PayRateDialog::saveAndClose() {
  settings_.writeSetting(design_.rateSetting, normalisedNumber(rateBox_->text()));
  settings_.writeSetting(design_.hoursSetting, normalisedNumber(hoursBox_->text()));
  accept();
}

}  // namespace coravel
