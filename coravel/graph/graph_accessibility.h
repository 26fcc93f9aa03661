#pragma once
// frmGraph as assistive technology reads it: the drawing area is a picture
// whose description reads the figures the window shows, and the controls the
// window never shows (the row list, the holder under the drawing area) are
// no part of what it exposes.
#include <QString>
#include <array>

#include "core/money.h"

class QLocale;

namespace coravel {

// Lets the graph windows and drawing areas of this library answer for
// themselves; once a process, before the first window is built.
void exposeGraphToAccessibility();

// "Year of: 2001. Jan $150.00, ... Dec $0.00. Y-T-D Totals: $175.00. ..."
// from the year label, the month totals and the four statistics as shown
// (in the order of the design's statistics labels).
QString describeFigures(const QString& year, const std::array<core::Money, 12>& months,
                        const std::array<QString, 4>& statistics, const QLocale& locale);

}  // namespace coravel
