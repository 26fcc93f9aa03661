#include "tools/wwreg/tool_options.h"

namespace wwreg {

std::optional<Options> parseOptions(const QStringList& args, const std::map<QString, bool>& known) {
  Options o;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool looksLikeSwitch = a.size() > 1 && (a[0] == QLatin1Char('/') || a[0] == QLatin1Char('-'));
    const QString name = looksLikeSwitch ? a.mid(1).toLower() : QString();
    if (looksLikeSwitch && name == QLatin1String("?")) {
      o.help = true;
      continue;
    }
    auto it = looksLikeSwitch ? known.find(name) : known.end();
    if (it == known.end()) {
      // Not a switch of this verb: an argument (file paths begin with "/"
      // too); a mistyped switch makes one argument too many.
      o.positional << a;
      continue;
    }
    if (o.switches.count(name) != 0) return std::nullopt;  // given twice
    QString value;
    if (it->second) {
      if (++i >= args.size()) return std::nullopt;
      value = args[i];
    }
    o.switches[name] = value;
  }
  return o;
}

}  // namespace wwreg
