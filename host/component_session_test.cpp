// The host-side version check: a class is created only from a library of the
// version its caller expects.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QProcess>
#include <QTemporaryDir>

#include "host/host_test_support.h"

namespace host {
namespace {

TEST(ComponentSession, TheLoaderRefusesARegisteredLibraryOfAnotherVersion) {
  test::testSession();  // this build's libraries, registered
  platform::SqliteRegistry store(test::testDir().filePath(QStringLiteral("registry.sqlite3")));

  const platform::CreatedObject same = platform::createObject(QStringLiteral("Rowcast.CRowcast"), store, {}, QStringLiteral("2"));
  ASSERT_NE(same.object, nullptr) << same.fault.description.toStdString();
  EXPECT_TRUE(same.libraryVersion.startsWith(QStringLiteral("2."))) << same.libraryVersion.toStdString();
  EXPECT_TRUE(same.libraryPath.endsWith(QStringLiteral("librowcast.so.") + same.libraryVersion));

  const platform::CreatedObject other = platform::createObject(QStringLiteral("Rowcast.CRowcast"), store, {}, QStringLiteral("3"));
  EXPECT_EQ(other.object, nullptr);
  EXPECT_EQ(other.fault.number, core::kCantCreateObject);
  EXPECT_TRUE(other.fault.description.endsWith(QStringLiteral("Rowcast.CRowcast is registered with %1, of version %2, "
                                                              "but version 3 is expected")
                                                   .arg(same.libraryPath, same.libraryVersion)))
      << other.fault.description.toStdString();

  EXPECT_TRUE(platform::versionMatches(QStringLiteral("2.1.0"), QStringLiteral("2.1")));
  EXPECT_FALSE(platform::versionMatches(QStringLiteral("2.10.0"), QStringLiteral("2.1")));
}

// The default text of HKEY_CLASSES_ROOT\`path`, or "" when it is missing.
std::string classesText(platform::Registry& store, const std::string& path) {
  platform::HKEY key = 0;
  if (store.RegOpenKeyA(platform::reg::kClassesRoot, path, &key) != platform::reg::kSuccess) return {};
  char text[512] = {};
  uint32_t size = sizeof text - 1;
  store.RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<uint8_t*>(text), &size);
  store.RegCloseKey(key);
  return text;
}

// Points the class `progId` of `storePath` at `library`.
void registerAt(const QString& storePath, const char* progId, const QString& library) {
  platform::SqliteRegistry store(storePath);
  const std::string clsid = classesText(store, std::string(progId) + "\\CLSID");
  ASSERT_FALSE(clsid.empty()) << progId;
  platform::HKEY key = 0;
  ASSERT_EQ(store.RegCreateKeyA(platform::reg::kClassesRoot, "CLSID\\" + clsid + "\\InprocServer32", &key),
            platform::reg::kSuccess);
  const QByteArray path = QFile::encodeName(library);
  store.RegSetValueExA(key, "", 0, platform::reg::kString, reinterpret_cast<const uint8_t*>(path.constData()),
                       uint32_t(path.size() + 1));
  store.RegCloseKey(key);
}

// What the demo host says on standard error when it registers the libraries,
// in plain words: on a first run, and when the store named a library that is
// gone or that no one may load.
TEST(ComponentSession, RegistrationIsToldInPlainWords) {
  QTemporaryDir dir;
  const QString store = dir.filePath(QStringLiteral("registry.sqlite3"));
  auto firstLines = [&] {
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAGEWISE_REGISTRY"), store);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(WW_DEMO_BINARY), {QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("w.png")),
                                                QStringLiteral("--profiles"), QStringLiteral(WW_SAMPLE_PROFILES)});
    EXPECT_TRUE(demo.waitForFinished(120000));
    QStringList lines = QString::fromUtf8(demo.readAllStandardError()).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return !line.startsWith(QLatin1String("wagewise-demo: registered")); });
    return lines;
  };
  EXPECT_EQ(firstLines(),
            QStringList{QStringLiteral("wagewise-demo: registered the Rowcast and Coravel libraries in %1 (first run)").arg(store)});
  EXPECT_EQ(firstLines(), QStringList{}) << "registered already";

  const QString gone = dir.filePath(QStringLiteral("gone/librowcast.so.2"));
  const QString open = dir.filePath(QStringLiteral("open"));
  ASSERT_TRUE(QDir().mkpath(open));
  ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
  const QString untrusted = open + QStringLiteral("/libcoravel2.so.2");
  ASSERT_TRUE(QFile::copy(QStringLiteral(WW_LIBRARY_DIR "/libcoravel2.so.2"), untrusted));
  registerAt(store, "Rowcast.CRowcast", gone);
  registerAt(store, "Coravel.ZuzirarRegistry", untrusted);
  EXPECT_EQ(firstLines(),
            (QStringList{QStringLiteral("wagewise-demo: registered the Rowcast library again: the store named %1, which is missing").arg(gone),
                         QStringLiteral("wagewise-demo: registered the Coravel library again: the store named %1, which is not "
                                        "trusted: its library \"%1\" lies in \"%2\", which others may write")
                             .arg(untrusted, open)}));
}

}  // namespace
}  // namespace host
