// The coravel2 library's class table and its four exported entry points.
// Class identifiers are fixed for ever: hosts and registrations keep them.
#include "coravel/entry/declares.h"
#include "coravel/entry/zuzirar_registry.h"
#include "coravel/util/ravelin.h"
#include "platform/component/class_server.h"
#include "platform/registry/sqlite_registry.h"

namespace {

platform::Dispatch* createZuzirarRegistry() { return new coravel::ZuzirarRegistry(); }
platform::Dispatch* createDeclares() { return new coravel::Declares(); }
platform::Dispatch* createRavelin() { return new coravel::Ravelin(); }

platform::ClassServer& server() {
  static platform::ClassServer instance(
      {
          {"Coravel.ZuzirarRegistry", "{BA9D35BB-EC25-4542-9A36-1683C6D785FB}", "Coravel.ZuzirarRegistry",
           &createZuzirarRegistry},
          {"Coravel.Declares", "{F2EA14B1-5FD1-4D5D-A7AF-320E49B74BE8}", "Coravel.Declares", &createDeclares},
          {"Coravel.Ravelin", "{68D6FAB7-AA5F-49C8-9E30-EDFA8A30747D}", "Coravel.Ravelin", &createRavelin},
      },
      reinterpret_cast<const void*>(&createDeclares));
  return instance;
}

}  // namespace

WW_EXPORT_CLASS_SERVER(server())
WW_EXPORT_LIBRARY_VERSION(WW_LIBRARY_VERSION)
