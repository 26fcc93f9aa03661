#pragma once
// Which window-system platforms wwcall asks Qt for (QT_QPA_PLATFORM).
#include <QByteArray>

namespace tools {

// The platforms to try in order: `requested` (the user's QT_QPA_PLATFORM)
// when set, else the display the environment names; always ending with
// "offscreen", so that a display that cannot be reached leaves wwcall
// headless instead of aborting it, exports included.
QByteArray qtPlatformList(const QByteArray& requested, bool x11Display, bool waylandDisplay);

}  // namespace tools
