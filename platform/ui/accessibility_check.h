#pragma once
// Test support: a window's controls as assistive technology reads them,
// checked against a table of the window's design, and its Tab chain checked
// against the design's tab order.
#include <QAccessible>
#include <QMetaEnum>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

#include "platform/ui/window_snapshot.h"

namespace platform::test {

struct ExpectedControl {
  const char* control;  // object name
  QAccessible::Role role;
  QString name;
  const char* labelledBy;  // the label's object name; "" for none
  int tabIndex;            // in the design's tab order
};

inline std::string described(const QString& name, QAccessible::Role role, const QString& accessibleName,
                             const QString& label) {
  const char* roleName = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
  return QStringLiteral("%1 %2 \"%3\" %4").arg(name, QLatin1String(roleName), accessibleName, label).toStdString();
}

// Each row is exposed with its role, name and label; every exposed control
// but an empty label has a name; and one missing from the table can only be
// a label, which is read by its text.
inline void expectExposedAsDesigned(const QWidget& window, std::span<const ExpectedControl> table) {
  const QList<AccessibleState> states = accessibleStates(window);
  for (const ExpectedControl& row : table) {
    auto found = std::find_if(states.begin(), states.end(),
                              [&](const AccessibleState& s) { return s.name == QLatin1String(row.control); });
    ASSERT_NE(found, states.end()) << row.control << " is not exposed";
    EXPECT_EQ(described(found->name, found->role, found->accessibleName, found->labelledBy),
              described(QLatin1String(row.control), row.role, row.name, QLatin1String(row.labelledBy)));
  }
  for (const AccessibleState& state : states) {
    const bool isLabel = state.role == QAccessible::StaticText;
    EXPECT_TRUE(isLabel || !state.accessibleName.isEmpty()) << state.name.toStdString() << " has no name";
    const bool inTable = std::any_of(table.begin(), table.end(),
                                     [&](const ExpectedControl& row) { return state.name == QLatin1String(row.control); });
    EXPECT_TRUE(inTable || isLabel) << state.name.toStdString() << " is exposed";
  }
}

inline bool takesTabFocus(const QWidget& control) { return (control.focusPolicy() & Qt::TabFocus) != 0; }

// The controls that Tab moves through, in the window's focus chain, from
// the one that has the focus when the window opens round the ring.
inline std::string tabChain(const QWidget& window) {
  QStringList names;
  const qsizetype bound = window.findChildren<QWidget*>().size();
  const QWidget* widget = window.nextInFocusChain();
  for (qsizetype i = 0; widget && widget != &window && i < bound; ++i, widget = widget->nextInFocusChain())
    if (takesTabFocus(*widget) && !widget->objectName().isEmpty() && widget->isVisibleTo(&window))
      names << widget->objectName();
  const qsizetype first = window.focusWidget() ? names.indexOf(window.focusWidget()->objectName()) : -1;
  if (first > 0) names = names.mid(first) + names.mid(0, first);
  return names.join(QLatin1Char(' ')).toStdString();
}

// The table's controls that take the Tab focus, in the design's tab order.
inline std::string designTabChain(const QWidget& window, std::span<const ExpectedControl> table) {
  std::vector<ExpectedControl> rows(table.begin(), table.end());
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
  QStringList names;
  for (const ExpectedControl& row : rows) {
    const auto* control = window.findChild<QWidget*>(QLatin1String(row.control));
    if (control && takesTabFocus(*control)) names << QLatin1String(row.control);
  }
  return names.join(QLatin1Char(' ')).toStdString();
}

}  // namespace platform::test
