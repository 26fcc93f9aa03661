// wwreg: the registry console tool on the store at SqliteRegistry::defaultPath().
#include <csignal>
#include <iostream>
#include <new>

#include "platform/registry/sqlite_registry.h"
#include "tools/wwreg/reg_tool.h"

int main(int argc, char** argv) {
  // A file size limit shows as the ordinary disk-full message, not as a silent kill.
  std::signal(SIGXFSZ, SIG_IGN);
  // Running out of memory ends the command with a message, not an abort.
  try {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    wwreg::Console console{std::cin, std::cout, std::cerr};
    return wwreg::run(args, [] () -> platform::Registry& { return platform::defaultRegistry(); }, console);
  } catch (const std::bad_alloc&) {
    std::cerr << "ERROR: Not enough memory to complete the operation.\n";
    return 1;
  }
}
