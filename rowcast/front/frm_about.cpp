#include "rowcast/front/frm_about.h"

#include <cmath>

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "core/twips.h"
#include "platform/ui/accessible_texts.h"
#include "platform/ui/form_layout.h"
#include "rowcast/front/rowcast_logo.h"
#include "rowcast/library_version.h"

namespace rowcast {

namespace {

// What assistive technology reads where a control has no caption of its own.
const platform::AccessibleText kAccessibleTexts[] = {
    {"Picture1", "Rowcast logo", nullptr, nullptr},
};

using platform::place;
using platform::TwipRect;

// Fonts are held at their pixel size at 96 dots an inch, so the texts keep
// to the fixed geometry whatever the screen's dpi. Arial's metrics are
// Liberation Sans'; it also stands in for the design's bitmap sans serif.
QFont designFont(double points, bool bold) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(int(std::lround(points * 96 / 72)));
  font.setBold(bold);
  return font;
}

// Design labels wrap at word boundaries inside their box and show from its
// top-left corner.
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const TwipRect& r, const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  place(label, name, r);
  return label;
}

}  // namespace

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Rowcast"));
  setFixedSize(core::twipsToPixels(5400), core::twipsToPixels(4065));

  addLabel(this, "Label1", QStringLiteral("Rowcast - Tabulon"), {120, 120, 3135, 1095}, designFont(24, true));
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap::fromImage(drawRowcastLogo()));
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // clipped by the box, as the design shows it
  place(picture, "Picture1", {1245, 1050, 2865, 1305});
  lblVersion_ = addLabel(this, "lblVersion", {}, {1800, 2160, 2655, 495}, designFont(18, true));
  lblDetails_ = addLabel(this, "lblDetails", {}, {360, 2880, 4575, 615}, designFont(8.25, true));
  lblAuthor_ = addLabel(this, "lblAuthor", {}, {0, 3720, 2655, 255}, designFont(8.25, false));
  lblDate_ = addLabel(this, "lblDate", {}, {3600, 3720, 1695, 255}, designFont(8.25, false));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setFont(designFont(8.25, false));
  place(close, "cmdClose", {4320, 120, 975, 375});
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  platform::applyAccessibleTexts(*this, kAccessibleTexts);

  fillFromVersionInformation();
}

void FrmAbout::fillFromVersionInformation() {
  lblAuthor_->setText(QString::fromUtf8(kAuthor));
  lblDate_->setText(QString::fromUtf8(kLegalNotice));
  lblVersion_->setText(QStringLiteral("Version ") + QLatin1String(kVersionText));
  lblDetails_->setText(QString::fromUtf8(kFileDescription));
}

}  // namespace rowcast
