#include "platform/ui/accessible_texts.h"

#include <QLabel>
#include <QWidget>

namespace platform {

namespace {

void apply(QWidget& control, const AccessibleText& text, QLabel* label) {
  if (label) {
    label->setBuddy(&control);
    control.setAccessibleName(label->text());
  }
  if (text.name) control.setAccessibleName(QString::fromUtf8(text.name));
  if (text.description) control.setAccessibleDescription(QString::fromUtf8(text.description));
}

}  // namespace

void applyAccessibleTexts(QWidget& window, std::span<const AccessibleText> texts) {
  for (const AccessibleText& text : texts) {
    auto* control = window.findChild<QWidget*>(QLatin1String(text.control));
    if (!control) continue;
    QLabel* label = text.labelledBy ? window.findChild<QLabel*>(QLatin1String(text.labelledBy)) : nullptr;
    apply(*control, text, label);
  }
}

}  // namespace platform
