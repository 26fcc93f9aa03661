#include "coravel/graph/fitting_indicator_style.h"

#include <QApplication>
#include <QStyleFactory>
#include <QWidget>
#include <algorithm>

namespace coravel {

FittingIndicatorStyle::FittingIndicatorStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

int FittingIndicatorStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  const int size = QProxyStyle::pixelMetric(metric, option, widget);
  // A square indicator: both sides shrink together to the box's height.
  if (widget && (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)) return std::min(size, widget->height());
  return size;
}

}  // namespace coravel
