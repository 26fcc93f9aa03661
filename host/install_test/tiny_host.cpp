// The smallest host: registers both libraries in the settings store, keeps a
// setting through Coravel.ZuzirarRegistry and writes a list as CSV through
// Rowcast.CRowcast. Usage: tiny_host OUT.csv
#include <cstdio>
#include <memory>

#include "platform/component/object_host.h"
#include "platform/registry/sqlite_registry.h"
#include "rowcast/list/memory_list.h"

using core::Value;

namespace {

int fail(const char* step, const core::Fault& fault) {
  std::fprintf(stderr, "%s: %d %s\n", step, fault.number, qUtf8Printable(fault.description));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform::Registry& store = platform::defaultRegistry();
  for (const char* library : {WAGEWISE_CORAVEL2_LIBRARY, WAGEWISE_ROWCAST_LIBRARY}) {
    int32_t rc = 0;
    if (core::Fault fault = platform::callRegistrationEntry(library, false, &rc); fault.isFault() || rc != 0)
      return fail("register", fault);
  }

  platform::CreatedObject coravel = platform::createObject("Coravel.ZuzirarRegistry", store);
  if (!coravel.object) return fail("Coravel.ZuzirarRegistry", coravel.fault);
  std::vector<Value> args{Value(int32_t(0x80000001)), Value("Software\\Vandr\\Registry"), Value("SickPay"), Value("9.5")};
  Value result;
  if (core::Fault fault = platform::callByName(*coravel.object, "savestring", platform::CallKind::Method, args, result);
      fault.isFault())
    return fail("savestring", fault);
  args = {Value(""), Value("SickPay")};
  if (core::Fault fault = platform::callByName(*coravel.object, "getstringp", platform::CallKind::Method, args, result);
      fault.isFault())
    return fail("getstringp", fault);
  std::printf("SickPay: %s\n", qUtf8Printable(result.toText()));

  platform::CreatedObject rowcast = platform::createObject("Rowcast.CRowcast", store);
  if (!rowcast.object) return fail("Rowcast.CRowcast", rowcast.fault);
  auto list = std::make_shared<rowcast::MemoryList>("Shifts", QStringList{"Date", "Total Pay"},
                                                    std::vector<QStringList>{{"01/02/2025", "90.75"}});
  args = {Value(std::shared_ptr<core::ValueObject>(list))};
  if (core::Fault fault = platform::callByName(*rowcast.object, "lvwToPrint", platform::CallKind::PropertyPutRef, args, result);
      fault.isFault())
    return fail("lvwToPrint", fault);
  args = {Value(int32_t(1)), Value(QString::fromLocal8Bit(argv[1]))};
  if (core::Fault fault = platform::callByName(*rowcast.object, "ExportListView", platform::CallKind::Method, args, result);
      fault.isFault())
    return fail("ExportListView", fault);
  std::printf("ExportListView: %d\n", result.toInt32());
  return result.toInt32();
}
