#pragma once
// The pictures at the left of the leave-pay windows, drawn at run time at the
// sizes the designs give them.
#include <QPixmap>

namespace coravel {

QPixmap drawHolidayPicture();   // 117 x 150: a calendar page with a marked day and a coin
QPixmap drawSickPicture();      // 126 x 121: a first-aid case and a thermometer
QPixmap drawVacationPicture();  // 141 x 110: a beach with a palm, the sea and the sun

}  // namespace coravel
