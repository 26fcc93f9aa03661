// The library as a host meets it: registered into a temporary store, then
// created by its ProgID in another process that knows nothing but the store.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "platform/component/object_host.h"
#include "platform/registry/sqlite_registry.h"
#include "rowcast/front/memory_list.h"

using core::Value;

namespace {

#define CHECK(cond)                                                                 \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "child check failed at line %d: %s\n", __LINE__, #cond); \
      return __LINE__;                                                              \
    }                                                                               \
  } while (0)

class RowcastComponentTest : public ::testing::Test {
 protected:
  // Runs `body` in a fresh child process that uses the test store.
  void inChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("WAGEWISE_REGISTRY", storePath.toLocal8Bit().constData(), 1);
      _exit(body());
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child crashed";
    ASSERT_EQ(WEXITSTATUS(status), 0) << "child failed (see the line it printed)";
  }

  QTemporaryDir dir;
  QString storePath = dir.filePath("registry.sqlite3");
};

TEST_F(RowcastComponentTest, RegisteredLibraryExportsAListCreatedByTheHost) {
  inChild([] {
    int32_t rc = -1;
    CHECK(!platform::callRegistrationEntry(ROWCAST_LIBRARY, false, &rc).isFault());
    CHECK(rc == 0);
    return 0;
  });

  const QString path = storePath;
  const QString csv = dir.filePath("out.csv");
  inChild([path, csv] {
    platform::SqliteRegistry store(path);
    platform::CreatedObject created = platform::createObject("Rowcast.CRowcast", store);
    CHECK(created.object != nullptr);
    platform::Dispatch& rowcast = *created.object;

    // The list is the host's own object, made outside the library.
    auto list = std::make_shared<rowcast::MemoryList>(
        "Shifts", QStringList{"Date", "Hours"}, std::vector<QStringList>{{"01/02/24", "8"}, {"01/03/24"}});
    std::vector<Value> args{Value(std::shared_ptr<core::ValueObject>(list))};
    Value result;
    CHECK(!platform::callByName(rowcast, "lvwToPrint", platform::CallKind::PropertyPutRef, args, result).isFault());
    args = {Value(int32_t(1)), Value(csv)};
    CHECK(!platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
    CHECK(result == Value(int32_t(0)));
    QFile file(csv);
    CHECK(file.open(QIODevice::ReadOnly));
    CHECK(file.readAll() == "\"01/02/24\",\"8\"\r\n\"01/03/24\"\r\n");

    args = {Value(int32_t(9))};
    CHECK(!platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
    CHECK(result == Value(int32_t(1)));
    args.clear();
    CHECK(!platform::callByName(rowcast, "LastErrorMsg", platform::CallKind::PropertyGet, args, result).isFault());
    CHECK(result == Value("Incorrect type of print job was specified."));
    return 0;
  });
}

}  // namespace
