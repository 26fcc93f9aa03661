#include "coravel/graph/graph_accessibility.h"

#include <QAccessibleWidget>
#include <QLocale>
#include <QStringList>
#include <algorithm>

#include "coravel/graph/graph_design.h"
#include "coravel/graph/graph_dialog.h"
#include "coravel/graph/picture_box.h"
#include "core/regional_format.h"

namespace coravel {

namespace {

namespace design = graph_design;

bool neverShown(const QObject* control) {
  if (!control) return false;
  const QString name = control->objectName();
  return std::any_of(design::kNeverShown.begin(), design::kNeverShown.end(),
                     [&](const char* hidden) { return name == QLatin1String(hidden); });
}

// The window as Qt's own dialogs answer, without the controls it never shows
// among its children: a screen reader would otherwise walk the row list.
class GraphWindowAccessible : public QAccessibleWidget {
 public:
  explicit GraphWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Dialog) {}

  int childCount() const override { return int(exposedChildren().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QAccessibleInterface*> children = exposedChildren();
    return index >= 0 && index < children.size() ? children[index] : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const QList<QAccessibleInterface*> children = exposedChildren();
    const auto found = std::find(children.begin(), children.end(), child);
    return found == children.end() ? -1 : int(found - children.begin());
  }

 private:
  QList<QAccessibleInterface*> exposedChildren() const {
    QList<QAccessibleInterface*> children;
    for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
      QAccessibleInterface* child = QAccessibleWidget::child(i);
      if (child && !neverShown(child->object())) children.append(child);
    }
    return children;
  }
};

QAccessibleInterface* graphInterface(const QString& className, QObject* object) {
  if (className == QLatin1String(GraphDialog::staticMetaObject.className()))
    return new GraphWindowAccessible(static_cast<QWidget*>(object));
  if (className == QLatin1String(PictureBox::staticMetaObject.className()))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
  return nullptr;
}

// Removes the factory again when the library is unloaded.
struct FactoryInstalled {
  FactoryInstalled() { QAccessible::installFactory(&graphInterface); }
  ~FactoryInstalled() { QAccessible::removeFactory(&graphInterface); }
  FactoryInstalled(const FactoryInstalled&) = delete;
  FactoryInstalled& operator=(const FactoryInstalled&) = delete;
};

}  // namespace

void exposeGraphToAccessibility() { static const FactoryInstalled installed; }

QString describeFigures(const QString& year, const std::array<core::Money, 12>& months,
                        const std::array<QString, 4>& statistics, const QLocale& locale) {
  QStringList monthTexts;
  for (size_t m = 0; m < months.size(); ++m)
    monthTexts << QLatin1String(design::kMonthNames[m]) + QLatin1Char(' ') + core::formatCurrency(months[m], locale);
  QStringList sentences{year.trimmed(), monthTexts.join(QStringLiteral(", "))};
  for (size_t i = 0; i < statistics.size(); ++i)
    sentences << QString::fromUtf8(design::kStatisticsLabels[i].caption) + QLatin1Char(' ') + statistics[i];
  return sentences.join(QStringLiteral(". ")) + QLatin1Char('.');
}

}  // namespace coravel
