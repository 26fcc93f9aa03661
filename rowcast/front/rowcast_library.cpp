// The rowcast library's class table and its four exported entry points.
// The class identifier is fixed for ever: hosts and registrations keep it.
#include "platform/component/class_server.h"
#include "platform/registry/sqlite_registry.h"
#include "rowcast/front/crowcast.h"

namespace {

platform::Dispatch* createCRowcast() { return new rowcast::CRowcast(); }

platform::ClassServer& server() {
  static platform::ClassServer instance(
      {
          {"Rowcast.CRowcast", "{AF63FCB8-1399-4E93-974E-7FA20F0C2D3F}", "Rowcast.CRowcast", &createCRowcast},
      },
      reinterpret_cast<const void*>(&createCRowcast));
  return instance;
}

}  // namespace

WW_EXPORT_CLASS_SERVER(server())
WW_EXPORT_LIBRARY_VERSION(WW_LIBRARY_VERSION)
