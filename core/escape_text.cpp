#include "core/escape_text.h"

namespace core {

QString escapeText(const QString& text) {
  QString out;
  out.reserve(text.size() + 8);
  for (QChar c : text) {
    switch (c.unicode()) {
      case '"': out += QLatin1String("\\\""); break;
      case '\\': out += QLatin1String("\\\\"); break;
      case '\n': out += QLatin1String("\\n"); break;
      case '\r': out += QLatin1String("\\r"); break;
      case '\t': out += QLatin1String("\\t"); break;
      default:
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
          out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
          out += c;
    }
  }
  return out;
}

}  // namespace core
