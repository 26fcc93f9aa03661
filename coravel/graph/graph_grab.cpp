// graph_grab OUTDIR PROFILES_DIR: opens frmGraph over the profile files under
// PROFILES_DIR (as the host's AppPath) with every option on, and again with
// every option off, and draws each to a PNG, so that its layout can be looked
// at without a screen. Uses a throwaway settings store.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "coravel/graph/graph_dialog.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/ui.h"

namespace {

bool grabGraph(platform::Registry& registry, const char* option, const QString& file) {
  coravel::RegistrySettings settings(registry);
  for (const char* name : {"ShowHorizonal", "ShowVertical", "ShowAverage"})
    settings.writeSetting(QLatin1String(name), QLatin1String(option));
  coravel::GraphDialog graph(registry, platform::ui());
  graph.load();
  QApplication::processEvents();
  const bool saved = graph.grab().save(file);
  graph.close();
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qUtf8Printable(file));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fputs("usage: graph_grab OUTDIR PROFILES_DIR\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir storeDir;
  platform::SqliteRegistry registry(storeDir.filePath(QStringLiteral("registry.sqlite3")));
  coravel::RegistrySettings(registry).writeSetting(QStringLiteral("AppPath"),
                                                    QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
  bool ok = grabGraph(registry, "1", out.filePath(QStringLiteral("frmGraph.png")));
  ok &= grabGraph(registry, "0", out.filePath(QStringLiteral("frmGraph-plain.png")));
  return ok ? 0 : 1;
}
