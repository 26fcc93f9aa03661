#include "coravel/leave/leave_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

#include "platform/ui/form_layout.h"

namespace coravel {

using platform::formFont;

namespace {

// A picture of `width` x `height` on a soft vertical gradient.
QPixmap blankPicture(int width, int height, QColor top, QColor bottom) {
  QPixmap pixmap(width, height);
  QPainter painter(&pixmap);
  QLinearGradient background(0, 0, 0, height);
  background.setColorAt(0, top);
  background.setColorAt(1, bottom);
  painter.fillRect(pixmap.rect(), background);
  return pixmap;
}

QFont pictureFont(int pixels, bool bold) {
  QFont font = formFont();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void drawCoin(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(QColor(150, 110, 20), 1.5));
  p.setBrush(QColor(240, 196, 60));
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(QColor(200, 150, 30), 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius - 3, radius - 3);
  p.setPen(QColor(120, 80, 10));
  p.setFont(pictureFont(int(radius * 1.2), true));
  p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
             QStringLiteral("$"));
}

void drawStar(QPainter& p, QPointF centre, qreal outer, qreal inner) {
  QPainterPath star;
  for (int i = 0; i < 10; ++i) {
    const qreal r = (i % 2 == 0) ? outer : inner;
    const qreal angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
    const QPointF point(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    if (i == 0) star.moveTo(point);
    else star.lineTo(point);
  }
  star.closeSubpath();
  p.drawPath(star);
}

void drawCalendarPage(QPainter& p, const QRectF& page) {
  p.setPen(QPen(QColor(110, 110, 120), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(page, 5, 5);

  const QRectF header(page.left(), page.top(), page.width(), 24);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawRoundedRect(header, 5, 5);
  p.drawRect(header.adjusted(0, 12, 0, 0));
  p.setPen(Qt::white);
  p.setFont(pictureFont(11, true));
  p.drawText(header.adjusted(0, 4, 0, 0), Qt::AlignCenter, QStringLiteral("HOLIDAY"));

  // Rings that hold the page.
  p.setPen(QPen(QColor(70, 70, 80), 3, Qt::SolidLine, Qt::RoundCap));
  for (qreal x : {page.left() + 22, page.right() - 22})
    p.drawLine(QPointF(x, page.top() - 6), QPointF(x, page.top() + 5));

  // Five weeks of days, one of them the holiday.
  const qreal cell = 14, left = page.left() + 6, top = header.bottom() + 6;
  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 6; ++col) {
      const QRectF day(left + col * cell, top + row * cell, cell - 3, cell - 3);
      const bool holiday = row == 2 && col == 3;
      p.setPen(Qt::NoPen);
      p.setBrush(holiday ? QColor(250, 215, 80) : QColor(215, 222, 235));
      p.drawRect(day);
      if (holiday) {
        p.setPen(QPen(QColor(200, 40, 40), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(day.adjusted(-3, -3, 3, 3));
      }
    }
}

void drawFirstAidCase(QPainter& p, const QRectF& box) {
  p.setPen(QPen(QColor(90, 90, 100), 3));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(box.center().x() - 14, box.top() - 10, 28, 16), 5, 5);  // handle
  p.setPen(QPen(QColor(120, 120, 130), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(box, 7, 7);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(210, 35, 45));
  const QPointF c = box.center();
  const qreal arm = 9, half = 24;
  p.drawRect(QRectF(c.x() - arm, c.y() - half, 2 * arm, 2 * half));
  p.drawRect(QRectF(c.x() - half, c.y() - arm, 2 * half, 2 * arm));
}

void drawThermometer(QPainter& p, qreal x, qreal top, qreal bottom) {
  const qreal tube = 10, bulb = 9;
  p.setPen(QPen(QColor(110, 110, 120), 1));
  p.setBrush(QColor(245, 248, 252));
  p.drawRoundedRect(QRectF(x - tube / 2, top, tube, bottom - top), tube / 2, tube / 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(210, 35, 45));
  p.drawEllipse(QPointF(x, bottom), bulb, bulb);
  p.drawRect(QRectF(x - 2.5, top + 22, 5, bottom - top - 22));
  p.setPen(QPen(QColor(110, 110, 120), 1));
  for (qreal y = top + 10; y < bottom - 8; y += 8) p.drawLine(QPointF(x + tube / 2, y), QPointF(x + tube / 2 + 4, y));
}

void drawSun(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(QColor(250, 190, 40), 2, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 12; ++i) {
    const qreal angle = i * std::numbers::pi / 6;
    const QPointF direction(std::cos(angle), std::sin(angle));
    p.drawLine(centre + direction * (radius + 3), centre + direction * (radius + 9));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 215, 60));
  p.drawEllipse(centre, radius, radius);
}

void drawSeaAndSand(QPainter& p, int width, int height) {
  const qreal horizon = height * 0.55, shore = height * 0.78;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 120, 190));
  p.drawRect(QRectF(0, horizon, width, shore - horizon + 4));
  p.setPen(QPen(QColor(170, 215, 245), 1.2));
  for (qreal y = horizon + 6; y < shore; y += 7)
    for (qreal x = std::fmod(y * 3, 22) - 22; x < width; x += 22) p.drawArc(QRectF(x, y, 11, 5), 0, 180 * 16);
  QPainterPath beach(QPointF(0, shore + 2));
  beach.cubicTo(QPointF(width * 0.4, shore - 6), QPointF(width * 0.7, shore + 6), QPointF(width, shore - 2));
  beach.lineTo(width, height);
  beach.lineTo(0, height);
  beach.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(236, 214, 160));
  p.drawPath(beach);
}

void drawPalm(QPainter& p, QPointF foot, QPointF crown) {
  QPainterPath trunk(foot);
  trunk.quadTo(QPointF(foot.x() + 18, (foot.y() + crown.y()) / 2), crown);
  p.setPen(QPen(QColor(125, 85, 45), 6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trunk);
  p.setPen(QPen(QColor(30, 120, 50), 1));
  p.setBrush(QColor(50, 160, 70));
  // Fronds arch up from the crown and droop to their tips.
  const QPointF tips[] = {{-34, 10}, {-28, -12}, {-6, -24}, {18, -20}, {36, 4}, {22, 18}};
  for (const QPointF& tip : tips) {
    const QPointF end = crown + tip;
    const QPointF bend = crown + QPointF(tip.x() * 0.5, tip.y() * 0.5 - 12);
    QPainterPath leaf(crown);
    leaf.quadTo(bend, end);
    leaf.quadTo(bend + QPointF(0, 13), crown);
    p.drawPath(leaf);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(110, 70, 35));
  p.drawEllipse(crown + QPointF(3, 3), 3, 3);
  p.drawEllipse(crown + QPointF(-3, 4), 3, 3);
}

}  // namespace

QPixmap drawHolidayPicture() {
  QPixmap pixmap = blankPicture(117, 150, QColor(225, 236, 250), QColor(190, 210, 238));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawCalendarPage(p, QRectF(10, 18, 94, 106));
  drawCoin(p, QPointF(88, 118), 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 215, 80));
  drawStar(p, QPointF(22, 128), 8, 3.5);
  return pixmap;
}

QPixmap drawSickPicture() {
  QPixmap pixmap = blankPicture(126, 121, QColor(226, 245, 238), QColor(190, 228, 214));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawFirstAidCase(p, QRectF(10, 34, 80, 70));
  drawThermometer(p, 108, 12, 100);
  return pixmap;
}

QPixmap drawVacationPicture() {
  QPixmap pixmap = blankPicture(141, 110, QColor(120, 190, 245), QColor(215, 238, 252));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawSun(p, QPointF(108, 24), 12);
  drawSeaAndSand(p, pixmap.width(), pixmap.height());
  drawPalm(p, QPointF(30, 104), QPointF(46, 34));
  return pixmap;
}

}  // namespace coravel
