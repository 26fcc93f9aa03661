#include "platform/ui/form_layout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "core/twips.h"

namespace platform {

namespace {
// The design's 8-point font ran narrower than Liberation Sans at the same
// size; at 10 pixels (7.5 points at 96 dpi) every prompt ends before the
// text box that follows it, as in the design.
constexpr int kFontPixels = 10;

// Enter on the focused button clicks it, as Space does. The button is no
// default button (see addOkButton), which Qt's buttons would need for that.
class OkButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      if (!event->isAutoRepeat()) click();
      event->accept();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

}  // namespace

QRect toPixels(const TwipRect& rect) {
  return QRect(core::twipsToPixels(rect.left), core::twipsToPixels(rect.top), core::twipsToPixels(rect.width),
               core::twipsToPixels(rect.height));
}

QFont formFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(kFontPixels);
  return font;
}

void setClientSize(QWidget* window, int widthTwips, int heightTwips) {
  window->setFixedSize(core::twipsToPixels(widthTwips), core::twipsToPixels(heightTwips));
}

void place(QWidget* control, const char* name, const TwipRect& rect) {
  control->setObjectName(QLatin1String(name));
  control->setGeometry(toPixels(rect));
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const TwipRect& rect) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  place(label, name, rect);
  return label;
}

QLabel* addPicture(QWidget* parent, const QPixmap& picture, const TwipRect& rect) {
  auto* box = new QLabel(parent);
  box->setPixmap(picture);
  box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  place(box, "Picture1", rect);
  return box;
}

QLineEdit* addTextBox(QWidget* parent, const char* name, const QString& text, const TwipRect& rect) {
  auto* box = new QLineEdit(text, parent);
  place(box, name, rect);
  return box;
}

QPushButton* addOkButton(QWidget* parent, const TwipRect& rect) {
  auto* button = new OkButton(QStringLiteral("Ok"), parent);
  button->setAutoDefault(false);
  place(button, "GoldButton1", rect);
  return button;
}

void chainTabOrder(const QList<QWidget*>& controls) {
  for (qsizetype i = 1; i < controls.size(); ++i) QWidget::setTabOrder(controls[i - 1], controls[i]);
  if (!controls.isEmpty()) controls.front()->setFocus();
}

}  // namespace platform
