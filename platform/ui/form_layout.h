#pragma once
// Building a window from its design: every control sits where the design
// put it, in twips (15 twips a pixel), and carries its design name as its
// object name so that tests and automation find it.
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPixmap;
class QPushButton;
class QWidget;

namespace platform {

struct TwipRect {
  int left, top, width, height;
};

QRect toPixels(const TwipRect& rect);

// The windows were designed for an 8-point sans serif at 96 dpi. The font is
// held at that pixel size so that its text keeps to the fixed geometry
// whatever the screen's dpi.
QFont formFont();

// Fixes the window's client area to the design size.
void setClientSize(QWidget* window, int widthTwips, int heightTwips);

void place(QWidget* control, const char* name, const TwipRect& rect);
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const TwipRect& rect);
// The picture at the left of a window, shown from its top-left corner and
// clipped by the box as the design shows it.
QLabel* addPicture(QWidget* parent, const QPixmap& picture, const TwipRect& rect);
QLineEdit* addTextBox(QWidget* parent, const char* name, const QString& text, const TwipRect& rect);
// "Ok" saves and closes; it is not the dialog's default button, so Enter in a
// text box does not save. Enter or Space on the focused button clicks it.
QPushButton* addOkButton(QWidget* parent, const TwipRect& rect);

// Makes the focus move through `controls` in this order with Tab, and gives
// the first of them the focus when the window opens.
void chainTabOrder(const QList<QWidget*>& controls);

}  // namespace platform
