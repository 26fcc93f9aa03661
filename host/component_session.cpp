#include "host/component_session.h"

#include <QDir>
#include <QFileInfo>

#include "platform/component/library_trust.h"

namespace host {

namespace {

// Each library by its soname link and the version this host was built with.
struct LibraryClass {
  const char* name;
  const char* progId;
  const char* file;
  const char* version;
};
constexpr LibraryClass kLibraries[] = {
    {"Rowcast", "Rowcast.CRowcast", "librowcast.so.2", WW_ROWCAST_VERSION},
    {"Coravel", "Coravel.ZuzirarRegistry", "libcoravel2.so.2", WW_CORAVEL2_VERSION},
};

// What was wrong with the library the store named: empty when it named none.
QString previousRegistration(const platform::CreatedObject& existing, const QString& expectedVersion) {
  if (existing.libraryPath.isEmpty()) return {};
  if (!existing.libraryVersion.isEmpty() && !platform::versionMatches(existing.libraryVersion, expectedVersion))
    return QStringLiteral("%1, of version %2").arg(existing.libraryPath, existing.libraryVersion);
  const platform::LibraryCheck check = platform::checkLibrary(existing.libraryPath);
  if (check.canonicalPath.isEmpty()) return QStringLiteral("%1, which is missing").arg(existing.libraryPath);
  if (!check.trusted())
    return QStringLiteral("%1, which is not trusted: its library %2").arg(existing.libraryPath, check.refusal);
  return QStringLiteral("%1, which could not be loaded: %2").arg(existing.libraryPath, existing.fault.description);
}

}  // namespace

ComponentSession::ComponentSession(platform::Registry& store, QString storeName, QString libraryDir)
    : store_(store), storeName_(std::move(storeName)), libraryDir_(std::move(libraryDir)) {}

core::Fault ComponentSession::registerLibraries(std::vector<Registration>* registered) {
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
    if (registered) registered->push_back({QLatin1String(library.name), previousRegistration(existing, QLatin1String(library.version))});
  }
  return {};
}

QStringList ComponentSession::registrationMessages(const std::vector<Registration>& registered) const {
  QStringList firstRun, lines;
  for (const Registration& r : registered) {
    if (r.previous.isEmpty())
      firstRun << r.name;
    else
      lines << QStringLiteral("registered the %1 library again: the store named %2").arg(r.name, r.previous);
  }
  const QString store = storeName_.isEmpty() ? QStringLiteral("the settings store") : storeName_;
  if (firstRun.size() > 1)
    lines.prepend(QStringLiteral("registered the %1 libraries in %2 (first run)").arg(firstRun.join(QStringLiteral(" and ")), store));
  else if (!firstRun.isEmpty())
    lines.prepend(QStringLiteral("registered the %1 library in %2 (first run)").arg(firstRun.first(), store));
  return lines;
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
