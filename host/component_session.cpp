#include "host/component_session.h"

#include <QDir>
#include <QFileInfo>

namespace host {

namespace {

// Each library by its soname link and the version this host was built with.
struct LibraryClass {
  const char* progId;
  const char* file;
  const char* version;
};
constexpr LibraryClass kLibraries[] = {
    {"Coravel.ZuzirarRegistry", "libcoravel2.so.2", WW_CORAVEL2_VERSION},
    {"Rowcast.CRowcast", "librowcast.so.2", WW_ROWCAST_VERSION},
};

}  // namespace

ComponentSession::ComponentSession(platform::Registry& store, QString storeName, QString libraryDir)
    : store_(store), storeName_(std::move(storeName)), libraryDir_(std::move(libraryDir)) {}

core::Fault ComponentSession::registerLibraries(QStringList* registered) {
  for (const LibraryClass& library : kLibraries) {
    // A registration of another build of the same version is kept; one that
    // is missing, untrusted or of another version is replaced by ours.
    const platform::CreatedObject existing =
        platform::createObject(QLatin1String(library.progId), store_, storeName_, QLatin1String(library.version));
    if (existing.object) continue;
    const QString path = QDir(libraryDir_).filePath(QLatin1String(library.file));
    int32_t rc = 0;
    core::Fault fault = platform::callRegistrationEntry(path, false, &rc);
    if (fault.isFault()) return fault;
    if (rc != 0)
      return core::Fault{core::kPathFileAccessError,
                         QStringLiteral("%1 could not register itself (0x%2)").arg(path).arg(uint32_t(rc), 8, 16, QLatin1Char('0')),
                         QStringLiteral("wagewise-demo")};
    if (registered) registered->append(QStringLiteral("%1 (%2)").arg(path, existing.fault.description));
  }
  return {};
}

platform::CreatedObject ComponentSession::create(const QString& progId) {
  return platform::createObject(progId, store_, storeName_);
}

core::Fault ComponentSession::call(platform::Dispatch& object, const QString& member, std::vector<core::Value>& args,
                                   core::Value* result) {
  core::Value ignored;
  return platform::callByName(object, member, platform::CallKind::Method, args, result ? *result : ignored);
}

QString findLibraryDir(const QString& executableDir) {
  const QDir bin(executableDir);
  for (const QString& candidate : {QStringLiteral("../lib"), QStringLiteral(WW_INSTALL_LIBDIR_FROM_BINDIR)}) {
    QString dir = QDir::cleanPath(bin.filePath(candidate));
    if (QFileInfo::exists(dir + QStringLiteral("/librowcast.so.2"))) return dir;
  }
  return QDir::cleanPath(bin.filePath(QStringLiteral("../lib")));
}

}  // namespace host
