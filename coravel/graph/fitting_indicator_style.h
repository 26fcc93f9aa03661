#pragma once
// The window's style, but with check box indicators no larger than the box
// they stand in: the design gives some boxes less height than the style's
// indicator, which would otherwise lose its bottom edge.
#include <QProxyStyle>

namespace coravel {

class FittingIndicatorStyle : public QProxyStyle {
 public:
  // Stands on its own instance of the application's style.
  FittingIndicatorStyle();

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
};

}  // namespace coravel
