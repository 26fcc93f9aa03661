#pragma once
// A window as a script sees it: its picture, and every control's name, text
// and state in a form that can be compared line by line; and the same
// controls as assistive technology reads them.
#include <QAccessible>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

struct ControlState {
  QString name;  // the control's object name
  QString text;  // caption or text; empty for controls that show none (a picture)
  bool checked = false;
  bool hidden = false;  // not visible while the window is
};

// The named controls of `window` in tab order, which is the order they were
// created in unless the window sets another. Qt's own helper widgets (names
// starting "qt_") are left out.
QList<ControlState> controlStates(const QWidget& window);

// `window: NAME "CAPTION"`, then `control: NAME "TEXT"` a control, followed by
// " checked" and " hidden" where they apply; texts escaped as one-line output.
QStringList describeWindow(const QWidget& window);

struct AccessibleState {
  QString name;  // the control's object name
  QAccessible::Role role = QAccessible::NoRole;
  QString accessibleName;
  QString labelledBy;  // object name of the label that labels the control
};

// The named controls of `window` that assistive technology reaches: in the
// window's accessibility tree and not invisible; in tab order.
QList<AccessibleState> accessibleStates(const QWidget& window);

// `accessible: NAME ROLE "ACCESSIBLE NAME"` an exposed control, the role as
// Qt's accessibility role is named (EditableText, PushButton).
QStringList describeAccessibility(const QWidget& window);

// Writes the window's picture to DIR/<object name>.png; the path written, or
// an empty text when it could not be written.
QString saveWindowPicture(QWidget& window, const QString& dir);

// Writes `picture` to `path` as PNG, opened as every writer opens its file
// (openWritableFile: a regular file only, never the settings store); a
// write that fails leaves no file. False when it failed.
bool savePicture(const QPixmap& picture, const QString& path);

}  // namespace platform
