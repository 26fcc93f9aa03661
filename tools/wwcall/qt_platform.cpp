#include "tools/wwcall/qt_platform.h"

#include <QList>
#include <algorithm>

namespace tools {

QByteArray qtPlatformList(const QByteArray& requested, bool x11Display, bool waylandDisplay) {
  QList<QByteArray> platforms;
  for (const QByteArray& name : requested.split(';'))
    if (!name.trimmed().isEmpty()) platforms.append(name.trimmed());
  if (platforms.isEmpty()) {
    if (waylandDisplay) platforms.append("wayland");
    if (x11Display) platforms.append("xcb");
  }
  // A platform name may carry options after a colon ("offscreen:foo").
  const bool hasOffscreen = std::any_of(platforms.begin(), platforms.end(), [](const QByteArray& p) {
    return p == "offscreen" || p.startsWith("offscreen:");
  });
  if (!hasOffscreen) platforms.append("offscreen");
  return platforms.join(';');
}

}  // namespace tools
