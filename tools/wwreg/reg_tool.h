#pragma once
// The wwreg command line: query, add, delete, export and import on a
// registry, with the verbs, switches, prompts and messages of the platform's
// registry console tool. Exit code 0 on success, 1 on any failure (also when
// the user answers No to a prompt).
#include <QString>
#include <QStringList>
#include <functional>
#include <iosfwd>

#include "platform/registry/registry.h"

namespace wwreg {

struct Console {
  std::istream& in;   // answers to prompts; end of input means No
  std::ostream& out;  // listings, prompts, success messages (UTF-8)
  std::ostream& err;  // ERROR: lines
};

// Runs one command (the arguments after the program name). `registry` is
// asked for only when the command reaches the store.
int run(const QStringList& args, const std::function<platform::Registry&()>& registry, Console& console);

}  // namespace wwreg
