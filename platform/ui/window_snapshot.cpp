#include "platform/ui/window_snapshot.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "core/escape_text.h"
#include "platform/files/writable_file.h"

namespace platform {

namespace {

QString shownText(const QWidget& control) {
  if (auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(&control)) return edit->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(&control)) return frame->title();
  if (auto* edit = qobject_cast<const QTextEdit*>(&control)) return edit->toPlainText();
  if (auto* edit = qobject_cast<const QPlainTextEdit*>(&control)) return edit->toPlainText();
  if (auto* combo = qobject_cast<const QComboBox*>(&control)) return combo->currentText();
  return {};
}

bool isChecked(const QWidget& control) {
  if (auto* button = qobject_cast<const QAbstractButton*>(&control))
    return button->isCheckable() && button->isChecked();
  if (auto* frame = qobject_cast<const QGroupBox*>(&control)) return frame->isCheckable() && frame->isChecked();
  return false;
}

bool isControl(const QWidget& window, const QWidget& widget) {
  const QString name = widget.objectName();
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && window.isAncestorOf(&widget);
}

// Reached from the window's interface through the parents of `control`,
// each of them listing the next as its child.
bool inAccessibilityTree(const QWidget& window, QWidget& control) {
  for (QWidget* widget = &control; widget != &window; widget = widget->parentWidget()) {
    QAccessibleInterface* parent = QAccessible::queryAccessibleInterface(widget->parentWidget());
    QAccessibleInterface* child = QAccessible::queryAccessibleInterface(widget);
    if (!parent || !child || parent->indexOfChild(child) < 0) return false;
  }
  return true;
}

QString labelOf(QAccessibleInterface& control) {
  const auto labels = control.relations(QAccessible::Label);
  return labels.isEmpty() || !labels.front().first->object() ? QString()
                                                             : labels.front().first->object()->objectName();
}

}  // namespace

QList<ControlState> controlStates(const QWidget& window) {
  QList<ControlState> controls;
  // Every widget of a window is on its focus chain; the chain is a ring, and
  // the bound keeps a chain broken elsewhere from looping here.
  const qsizetype bound = window.findChildren<QWidget*>().size();
  const QWidget* widget = window.nextInFocusChain();
  for (qsizetype i = 0; widget && widget != &window && i < bound; ++i, widget = widget->nextInFocusChain()) {
    if (!isControl(window, *widget)) continue;
    controls.append({widget->objectName(), shownText(*widget), isChecked(*widget), !widget->isVisibleTo(&window)});
  }
  return controls;
}

QStringList describeWindow(const QWidget& window) {
  QStringList lines{QStringLiteral("window: %1 \"%2\"").arg(window.objectName(), core::escapeText(window.windowTitle()))};
  for (const ControlState& control : controlStates(window)) {
    QString line = QStringLiteral("control: %1 \"%2\"").arg(control.name, core::escapeText(control.text));
    if (control.checked) line += QLatin1String(" checked");
    if (control.hidden) line += QLatin1String(" hidden");
    lines.append(line);
  }
  return lines;
}

QList<AccessibleState> accessibleStates(const QWidget& window) {
  QList<AccessibleState> states;
  const qsizetype bound = window.findChildren<QWidget*>().size();
  QWidget* widget = window.nextInFocusChain();
  for (qsizetype i = 0; widget && widget != &window && i < bound; ++i, widget = widget->nextInFocusChain()) {
    if (!isControl(window, *widget) || !inAccessibilityTree(window, *widget)) continue;
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
    if (control->state().invisible) continue;
    states.append({widget->objectName(), control->role(), control->text(QAccessible::Name), labelOf(*control)});
  }
  return states;
}

QStringList describeAccessibility(const QWidget& window) {
  const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
  QStringList lines;
  for (const AccessibleState& control : accessibleStates(window))
    lines.append(QStringLiteral("accessible: %1 %2 \"%3\"")
                     .arg(control.name, QLatin1String(roles.valueToKey(control.role)),
                          core::escapeText(control.accessibleName)));
  return lines;
}

QString saveWindowPicture(QWidget& window, const QString& dir) {
  QString name = window.objectName().isEmpty() ? QStringLiteral("window") : window.objectName();
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  const QString file = QDir(dir).filePath(name + QLatin1String(".png"));
  return savePicture(window.grab(), file) ? file : QString();
}

bool savePicture(const QPixmap& picture, const QString& path) {
  const WritableFile opened = openWritableFile(path, WriteMode::Replace);
  if (!opened.ok()) return false;
  QFile file;
  bool saved = file.open(opened.fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) && picture.save(&file, "PNG") &&
               file.flush();
  file.close();
  if (!saved) removeWrittenFile(opened);
  return saved;
}

}  // namespace platform
