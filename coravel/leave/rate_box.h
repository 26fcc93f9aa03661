#pragma once
// The rate box of the leave-pay windows: it takes only the characters a rate
// is typed with, "0" to "9" and ".". A typed key outside them (Enter and
// Escape included) is discarded; editing keys keep working; a
// paste or drop that holds one is refused whole. Either way inputRefused()
// tells the window to beep. So the box never holds what the keys could not
// type, except the text the window itself puts there.
#include <QClipboard>
#include <QLineEdit>

namespace coravel {

class RateBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit RateBox(QWidget* parent = nullptr);

  // Whether every character of `text` is one a rate is typed with.
  static bool isRateText(QStringView text);

 public slots:
  // Inserts the clipboard's text at the cursor when it is rate text (blanks
  // and line ends around it are dropped, as copied cells carry them).
  void pasteClipboard() { pasteFrom(QClipboard::Clipboard); }

 signals:
  void inputRefused();
  // The focus went to another control of the window (not merely to another
  // window or to a popup menu).
  void focusLeft();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void pasteFrom(QClipboard::Mode mode);
};

}  // namespace coravel
