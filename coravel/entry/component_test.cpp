// The library as a host meets it: registered into a store, then found by its
// ProgID and created from other processes that know nothing but the store.

#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/component/host_process_test.h"
#include "platform/component/object_host.h"
#include "platform/registry/sqlite_registry.h"

using core::Value;
namespace reg = platform::reg;

namespace {

class ComponentTest : public platform::test::HostProcessTest {
 protected:
  void registerLibrary(bool unregister) {
    inChild([unregister] {
      int32_t rc = -1;
      core::Fault f = platform::callRegistrationEntry(CORAVEL2_LIBRARY, unregister, &rc);
      CHILD_CHECK(!f.isFault());
      CHILD_CHECK(rc == 0);
      return 0;
    });
  }
  static std::string defaultText(platform::Registry& r, const char* path) {
    platform::HKEY key = 0;
    if (r.RegOpenKeyA(reg::kClassesRoot, path, &key) != reg::kSuccess) return "<missing>";
    char buf[4096];
    uint32_t type = 0, size = sizeof buf;
    int32_t rc = r.RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<uint8_t*>(buf), &size);
    r.RegCloseKey(key);
    return rc == reg::kSuccess ? std::string(buf, strnlen(buf, size)) : "<unreadable>";
  }
};

TEST_F(ComponentTest, RegisterCreateCallUnregister) {
  registerLibrary(false);
  {
    platform::SqliteRegistry store(storePath);
    const std::string clsid = defaultText(store, "Coravel.ZuzirarRegistry\\CLSID");
    EXPECT_EQ(clsid, "{BA9D35BB-EC25-4542-9A36-1683C6D785FB}");
    EXPECT_EQ(defaultText(store, ("CLSID\\" + clsid + "\\InprocServer32").c_str()),
              QFileInfo(CORAVEL2_LIBRARY).canonicalFilePath().toStdString());
    EXPECT_EQ(defaultText(store, "Coravel.Declares\\CLSID"), "{F2EA14B1-5FD1-4D5D-A7AF-320E49B74BE8}");
  }

  const QString path = storePath;
  inChild([path] {
    platform::SqliteRegistry store(path);
    platform::CreatedObject created = platform::createObject("Coravel.ZuzirarRegistry", store);
    CHILD_CHECK(created.object != nullptr);
    platform::Dispatch& z = *created.object;
    Value result;
    std::vector<Value> save{Value(int32_t(reg::kCurrentUser)), Value("Software\\Vandr\\Registry"),
                            Value("SickPay"), Value("9.5")};
    CHILD_CHECK(!platform::callByName(z, "savestring", platform::CallKind::Method, save, result).isFault());
    // By slot: 9 is getstringp; its path argument comes back lengthened.
    std::vector<Value> read{Value(""), Value("SickPay")};
    CHILD_CHECK(!z.invoke(9, read, result).isFault());
    CHILD_CHECK(result == Value("9.5"));
    CHILD_CHECK(read[0] == Value("Software\\Vandr\\Registry"));
    CHILD_CHECK(platform::callByName(z, "NoSuchMember", platform::CallKind::Method, read, result).number ==
          core::kMemberNotSupported);

    platform::CreatedObject declares = platform::createObject("Coravel.Declares", store);
    CHILD_CHECK(declares.object != nullptr);
    std::vector<Value> code{Value(int32_t(1014))};
    CHILD_CHECK(!platform::callByName(*declares.object, "ErrorMsg", platform::CallKind::Method, code, result).isFault());
    CHILD_CHECK(result == Value("Undefined Error Code:   1014"));
    return 0;
  });

  registerLibrary(true);
  inChild([path] {
    platform::SqliteRegistry store(path);
    platform::CreatedObject created = platform::createObject("Coravel.ZuzirarRegistry", store);
    CHILD_CHECK(created.object == nullptr);
    CHILD_CHECK(created.fault.number == core::kCantCreateObject);
    return 0;
  });
  // The settings written through the component outlive it.
  platform::SqliteRegistry store(storePath);
  platform::HKEY key = 0;
  ASSERT_EQ(store.RegOpenKeyA(reg::kCurrentUser, "Software\\Vandr\\Registry", &key), reg::kSuccess);
  store.RegCloseKey(key);
}

}  // namespace
