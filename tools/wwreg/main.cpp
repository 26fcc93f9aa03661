// wwreg: the registry console tool on the store at SqliteRegistry::defaultPath().
#include <iostream>

#include "platform/registry/sqlite_registry.h"
#include "tools/wwreg/reg_tool.h"

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  wwreg::Console console{std::cin, std::cout, std::cerr};
  return wwreg::run(args, [] () -> platform::Registry& { return platform::defaultRegistry(); }, console);
}
