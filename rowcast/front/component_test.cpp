// The library as a host meets it: registered into a temporary store, then
// created by its ProgID in another process that knows nothing but the store.

#include <QFile>
#include <QTemporaryDir>

#include "platform/component/host_process_test.h"
#include "platform/component/object_host.h"
#include "platform/registry/sqlite_registry.h"
#include "rowcast/list/memory_list.h"

using core::Value;

namespace {

using RowcastComponentTest = platform::test::HostProcessTest;

TEST_F(RowcastComponentTest, RegisteredLibraryExportsAListCreatedByTheHost) {
  inChild([] {
    int32_t rc = -1;
    CHILD_CHECK(!platform::callRegistrationEntry(ROWCAST_LIBRARY, false, &rc).isFault());
    CHILD_CHECK(rc == 0);
    return 0;
  });

  const QString path = storePath;
  const QString csv = dir.filePath("out.csv");
  inChild([path, csv] {
    platform::SqliteRegistry store(path);
    platform::CreatedObject created = platform::createObject("Rowcast.CRowcast", store);
    CHILD_CHECK(created.object != nullptr);
    platform::Dispatch& rowcast = *created.object;

    // The list is the host's own object, made outside the library.
    auto list = std::make_shared<rowcast::MemoryList>(
        "Shifts", QStringList{"Date", "Hours"}, std::vector<QStringList>{{"01/02/24", "8"}, {"01/03/24"}});
    std::vector<Value> args{Value(std::shared_ptr<core::ValueObject>(list))};
    Value result;
    CHILD_CHECK(!platform::callByName(rowcast, "lvwToPrint", platform::CallKind::PropertyPutRef, args, result).isFault());
    args = {Value(int32_t(1)), Value(csv)};
    CHILD_CHECK(!platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
    CHILD_CHECK(result == Value(int32_t(0)));
    QFile file(csv);
    CHILD_CHECK(file.open(QIODevice::ReadOnly));
    CHILD_CHECK(file.readAll() == "\"01/02/24\",\"8\"\r\n\"01/03/24\"\r\n");

    args = {Value(int32_t(9))};
    CHILD_CHECK(!platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
    CHILD_CHECK(result == Value(int32_t(1)));
    args.clear();
    CHILD_CHECK(!platform::callByName(rowcast, "LastErrorMsg", platform::CallKind::PropertyGet, args, result).isFault());
    CHILD_CHECK(result == Value("Incorrect type of print job was specified."));
    return 0;
  });
}

}  // namespace
