#pragma once
// A verb's command line: its switches ("/v Name", "-f"; "/?" for help) and
// its positional arguments.
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace wwreg {

struct Options {
  QStringList positional;
  std::map<QString, QString> switches;  // lower-case name -> argument ("" for flags)
  bool help = false;
  bool has(const char* name) const { return switches.count(QLatin1String(name)) != 0; }
  QString get(const char* name) const {
    auto it = switches.find(QLatin1String(name));
    return it == switches.end() ? QString() : it->second;
  }
};

// `known` maps each switch of the verb to whether it takes an argument.
// Nothing when a switch is given twice or lacks its argument.
std::optional<Options> parseOptions(const QStringList& args, const std::map<QString, bool>& known);

}  // namespace wwreg
