// wagewise-demo: a small host over both libraries. See usage().
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <new>

#include "host/batch_run.h"
#include "host/component_session.h"
#include "host/host_dialogs.h"
#include "host/main_window.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/ui.h"
#include "platform/ui/window_snapshot.h"

namespace {

void usage(std::FILE* to) {
  std::fputs(
      "usage: wagewise-demo [--profiles DIR]                 the window\n"
      "       wagewise-demo --batch OUTDIR [--profiles DIR]  no window: list.csv, list.html, list.pdf and\n"
      "                                                      the library windows' pictures in OUTDIR\n"
      "       wagewise-demo --screenshot FILE.png [--profiles DIR]\n"
      "                                                      the window drawn headless to FILE.png\n"
      "DIR holds the job profiles (*.dat, searched below it too); without it the folder\n"
      "last chosen (AppPath in the settings store) is used. Settings live in\n"
      "$WAGEWISE_REGISTRY, else $XDG_CONFIG_HOME/wagewise/registry.sqlite3.\n",
      to);
}

struct Options {
  QString batchDir, profilesDir, screenshot;
  bool help = false;
};

bool parse(QStringList args, Options& options) {
  while (!args.isEmpty()) {
    const QString option = args.takeFirst();
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
      options.help = true;
      continue;
    }
    if (args.isEmpty()) return false;
    const QString value = args.takeFirst();
    if (option == QLatin1String("--batch")) options.batchDir = value;
    else if (option == QLatin1String("--profiles")) options.profilesDir = value;
    else if (option == QLatin1String("--screenshot")) options.screenshot = value;
    else return false;
  }
  return true;
}

// Qt wants a private runtime folder; hosts started from scripts often lack one.
void ensureRuntimeDir() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const QByteArray dir = "/tmp/runtime-" + QByteArray::number(getuid());
  if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST) qputenv("XDG_RUNTIME_DIR", dir);
}

// The window drawn as it stands once the profiles are listed.
int screenshot(host::MainWindow& window, const QString& path) {
  window.show();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  if (!platform::savePicture(window.grab(), path)) {
    std::fprintf(stderr, "wagewise-demo: cannot write %s\n", qUtf8Printable(path));
    return 1;
  }
  std::printf("%s\n", qUtf8Printable(path));
  return 0;
}

int run(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  Options options;
  if (!parse(args, options)) {
    usage(stderr);
    return host::kBatchUsage;
  }
  if (options.help) {
    usage(stdout);
    return 0;
  }

  const bool headless = !options.batchDir.isEmpty() || !options.screenshot.isEmpty();
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "wagewise-demo: no display for the window; --batch OUTDIR works without one\n");
    return host::kBatchUsage;
  }
  // Without a window nobody answers a message box: the libraries print it on
  // standard error and take its default button.
  if (!options.batchDir.isEmpty()) qputenv("WAGEWISE_UI", "console");
  ensureRuntimeDir();
  int qtArgc = 1;  // Qt sees none of our arguments
  QApplication app(qtArgc, argv);
  QApplication::setApplicationName(QStringLiteral("wagewise-demo"));

  platform::Registry& store = platform::defaultRegistry();
  const auto* sqliteStore = dynamic_cast<platform::SqliteRegistry*>(&store);
  host::ComponentSession session(store, sqliteStore ? sqliteStore->path() : QString(),
                                 host::findLibraryDir(QCoreApplication::applicationDirPath()));
  std::vector<host::ComponentSession::Registration> registered;
  if (core::Fault fault = session.registerLibraries(&registered); fault.isFault()) {
    std::fprintf(stderr, "wagewise-demo: %s\n", qUtf8Printable(fault.description));
    return 1;
  }
  for (const QString& line : session.registrationMessages(registered))
    std::fprintf(stderr, "wagewise-demo: %s\n", qUtf8Printable(line));

  if (!options.batchDir.isEmpty())
    return host::runBatch(session, {options.batchDir, options.profilesDir}, stdout, stderr);

  host::QtHostDialogs dialogs;
  host::MainWindow window(session, platform::ui(), dialogs);
  host::CoravelClient coravel(session);
  const QString folder = options.profilesDir.isEmpty() ? coravel.setting(QStringLiteral("AppPath")) : options.profilesDir;
  if (!options.screenshot.isEmpty()) {
    if (!folder.isEmpty()) window.openFolder(folder);
    return screenshot(window, options.screenshot);
  }
  window.show();
  // Keyboard focus from the start, even where no window manager hands it over.
  window.activateWindow();
  if (!folder.isEmpty()) QTimer::singleShot(0, &window, [&window, folder] { window.openFolder(folder); });
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit shows as the ordinary "Disk full" fault, not as a silent kill.
  std::signal(SIGXFSZ, SIG_IGN);
  // Running out of memory (over a huge profile, say) ends the run with a message, not an abort.
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "wagewise-demo: not enough memory\n");
    return 1;
  }
}
