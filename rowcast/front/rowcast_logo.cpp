#include "rowcast/front/rowcast_logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace rowcast {

namespace {

const QColor kInk(28, 52, 96);
const QColor kAccent(214, 122, 32);

void drawBackground(QPainter& p) {
  QLinearGradient sky(0, 0, 0, kLogoHeight);
  sky.setColorAt(0, QColor(236, 243, 252));
  sky.setColorAt(1, QColor(196, 214, 238));
  p.fillRect(0, 0, kLogoWidth, kLogoHeight, sky);
  p.setPen(QPen(kInk, 1));
  p.drawRect(0, 0, kLogoWidth - 1, kLogoHeight - 1);
}

// A sheet with a header row, three item rows and an underlined total.
void drawSheet(QPainter& p, const QRectF& sheet) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(Qt::white);
  p.drawRect(sheet);
  const qreal left = sheet.left() + 4, right = sheet.right() - 4;
  p.fillRect(QRectF(left, sheet.top() + 5, right - left, 6), kInk);
  p.setPen(QPen(QColor(120, 140, 170), 1));
  for (int row = 0; row < 3; ++row) {
    const qreal y = sheet.top() + 17 + row * 8;
    p.drawLine(QPointF(left, y), QPointF(left + (right - left) * 0.55, y));
    p.drawLine(QPointF(right - (right - left) * 0.3, y), QPointF(right, y));
  }
  p.setPen(QPen(kAccent, 2));
  const qreal total = sheet.top() + 17 + 3 * 8 + 2;
  p.drawLine(QPointF(right - (right - left) * 0.3, total), QPointF(right, total));
}

void drawPages(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(222, 228, 238));
  p.drawRect(QRectF(14.5, 10.5, 40, 54));
  p.drawRect(QRectF(11.5, 13.5, 40, 54));
  drawSheet(p, QRectF(8.5, 16.5, 40, 54));
  // The motion marks of a page coming out.
  p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(54, 30 + i * 9), QPointF(62 - i * 2, 30 + i * 9));
}

void drawName(QPainter& p) {
  QFont name(QStringLiteral("Liberation Sans"));
  name.setPixelSize(30);
  name.setBold(true);
  p.setFont(name);
  p.setPen(kInk);
  p.drawText(QRectF(66, 10, 128, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Rowcast"));
  QFont line(QStringLiteral("Liberation Sans"));
  line.setPixelSize(11);
  p.setFont(line);
  p.setPen(kAccent.darker(130));
  p.drawText(QRectF(68, 46, 124, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("lists to page and file"));
}

}  // namespace

QImage drawRowcastLogo() {
  QImage logo(kLogoWidth, kLogoHeight, QImage::Format_RGB888);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  drawBackground(p);
  drawPages(p);
  drawName(p);
  return logo;
}

}  // namespace rowcast
