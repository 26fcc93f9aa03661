// wwcall: calls a member of a public class by name, as a late-binding host
// does. See usage() for the command line.
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <dlfcn.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <new>
#include <optional>
#include <vector>

#include "platform/component/object_host.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/console_ui.h"
#include "tools/wwcall/list_loader.h"
#include "tools/wwcall/qt_platform.h"
#include "tools/wwcall/value_literal.h"

namespace {

void usage() {
  std::fputs(
      "usage: wwcall [--answer yes|no|ok|cancel] [--snapshot DIR] PROGID [--set PROPERTY=VALUE]...\n"
      "              [--then MEMBER]... MEMBER [VALUE...]\n"
      "       wwcall --register LIBRARY | --unregister LIBRARY\n"
      "values: e: (empty)  i:42  d:1.5  b:true  s:TEXT  a:[\"x\",\"y\"]  list:FILE.json\n"
      "        (list: reads a regular file of at most 64 MiB)\n"
      "prints 'result: VALUE' and 'arg N: VALUE' after the call, then 'MEMBER: VALUE' for each\n"
      "--then member read afterwards (LastErrorMsg, say); a fault goes to standard\n"
      "error as 'fault: NUMBER DESCRIPTION' with exit status 1. Message boxes are printed\n"
      "as 'msgbox: TITLE: TEXT' and answered with their default button or --answer.\n"
      "--snapshot: a window the member opens is drawn to DIR/NAME.png and printed as\n"
      "'window: NAME \"CAPTION\"' and 'control: NAME \"TEXT\"' lines (' checked', ' hidden'),\n"
      "then closed through its close box. Without a display and without --snapshot, a\n"
      "window fails at once.\n",
      stderr);
}

int fail(const QString& message, int status = 2) {
  std::fprintf(stderr, "wwcall: %s\n", qUtf8Printable(message));
  return status;
}

int reportFault(const core::Fault& fault) {
  std::fprintf(stderr, "fault: %d %s\n", fault.number, qUtf8Printable(fault.description));
  return 1;
}

int registration(const QString& library, bool unregister) {
  int32_t rc = 0;
  core::Fault fault = platform::callRegistrationEntry(library, unregister, &rc);
  if (fault.isFault()) return reportFault(fault);
  if (rc != 0) return fail(QStringLiteral("%1 returned 0x%2").arg(unregister ? "DllUnregisterServer" : "DllRegisterServer")
                               .arg(uint32_t(rc), 8, 16, QLatin1Char('0')), 1);
  std::printf("%s %s\n", unregister ? "unregistered" : "registered", qUtf8Printable(library));
  return 0;
}

// A library that prints keeps its document open between jobs; this host does
// one job, so it ends the document (sends it to the printer, closes the PDF).
// False when the document could not be written; the library has said why.
bool endPrintedDocument(void* library) {
  using EndDocument = int32_t (*)();
  auto end = reinterpret_cast<EndDocument>(library ? dlsym(library, "RowcastEndDocument") : nullptr);
  return !end || end() == 0;
}

// Boxes go to standard error: the library reads this when it first shows one.
void useConsoleMessageBoxes(const QString& answer) {
  qputenv("WAGEWISE_UI", "console");
  if (!answer.isEmpty()) qputenv("WAGEWISE_UI_ANSWER", answer.toUtf8());
}

// Windows opened by the member are pictured into `dir` and closed again.
bool useSnapshots(const QString& dir) {
  if (dir.isEmpty() || !QDir().mkpath(dir)) return false;
  qputenv("WAGEWISE_UI_SNAPSHOT", QFile::encodeName(QFileInfo(dir).absoluteFilePath()));
  return true;
}

// Windows and boxes need a display; without one (or with one that cannot be
// reached) wwcall runs headless rather than abort. Snapshots are always
// taken headless, so they look the same on every machine.
void chooseQtPlatform(bool snapshots) {
  const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
  if (snapshots && requested.isEmpty()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return;
  }
  qputenv("QT_QPA_PLATFORM", tools::qtPlatformList(requested, !qEnvironmentVariableIsEmpty("DISPLAY"),
                                                   !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")));
}

// Qt wants a private runtime folder; hosts started from scripts often lack one.
void ensureRuntimeDir() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const QByteArray dir = "/tmp/runtime-" + QByteArray::number(getuid());
  if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST) qputenv("XDG_RUNTIME_DIR", dir);
}

// What the command line asks of the class: PROGID [--set P=V]... [--then P]...
// MEMBER [ARG]...
struct CallRequest {
  QString progId;
  std::vector<std::pair<QString, core::Value>> properties;  // set before the call, in order
  QStringList readAfterwards;                                // properties read after it
  QString member;
  std::vector<core::Value> values;  // the arguments; by-reference ones come back here
};

// Reads the call from `args` (which start at the ProgID); nothing when they
// do not make one, with the reason in `error`.
std::optional<CallRequest> parseCall(QStringList args, QString& error) {
  CallRequest call;
  call.progId = args.takeFirst();
  while (!args.isEmpty() && args[0] == QLatin1String("--set")) {
    if (args.size() < 2 || !args[1].contains(QLatin1Char('='))) {
      error = QStringLiteral("--set takes PROPERTY=VALUE");
      return std::nullopt;
    }
    const QString assignment = args[1];
    args = args.mid(2);
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    std::optional<core::Value> v = tools::parseValueLiteral(assignment.mid(eq + 1), &error, tools::loadListLiteral);
    if (!v) return std::nullopt;
    call.properties.emplace_back(assignment.left(eq), *v);
  }
  while (!args.isEmpty() && args[0] == QLatin1String("--then")) {
    if (args.size() < 2) {
      error = QStringLiteral("--then takes a member name");
      return std::nullopt;
    }
    call.readAfterwards << args[1];
    args = args.mid(2);
  }
  if (args.isEmpty()) {
    error = QStringLiteral("no member named; see wwcall --help");
    return std::nullopt;
  }
  call.member = args.takeFirst();
  for (const QString& literal : args) {
    std::optional<core::Value> v = tools::parseValueLiteral(literal, &error, tools::loadListLiteral);
    if (!v) return std::nullopt;
    call.values.push_back(*v);
  }
  return call;
}

// Creates the class from the store, sets the properties, calls the member,
// ends a printed document and prints the result, the arguments as they came
// back and the properties read afterwards. The exit status: 0, or 1 after a
// fault or a document that could not be written.
int runCall(CallRequest& call) {
  platform::Registry& store = platform::defaultRegistry();
  const auto* sqliteStore = dynamic_cast<platform::SqliteRegistry*>(&store);
  platform::CreatedObject created =
      platform::createObject(call.progId, store, sqliteStore ? sqliteStore->path() : QString());
  if (!created.object) return reportFault(created.fault);
  for (auto& [name, value] : call.properties) {
    std::vector<core::Value> putArgs{value};
    core::Value ignored;
    const platform::CallKind kind =
        value.kind() == core::Value::Kind::Object ? platform::CallKind::PropertyPutRef : platform::CallKind::PropertyPut;
    core::Fault fault = platform::callByName(*created.object, name, kind, putArgs, ignored);
    if (fault.isFault()) return reportFault(fault);
  }
  core::Value result;
  core::Fault fault = platform::callByName(*created.object, call.member, platform::CallKind::Method, call.values, result);
  const bool documentWritten = endPrintedDocument(created.library);
  // By-reference arguments come back after a fault too.
  if (fault.isFault())
    reportFault(fault);
  else
    std::printf("result: %s\n", qUtf8Printable(tools::formatValue(result)));
  for (size_t i = 0; i < call.values.size(); ++i)
    std::printf("arg %zu: %s\n", i + 1, qUtf8Printable(tools::formatValue(call.values[i])));
  if (fault.isFault()) return 1;
  for (const QString& name : call.readAfterwards) {
    std::vector<core::Value> none;
    core::Value value;
    core::Fault readFault = platform::callByName(*created.object, name, platform::CallKind::PropertyGet, none, value);
    if (readFault.isFault()) return reportFault(readFault);
    std::printf("%s: %s\n", qUtf8Printable(name), qUtf8Printable(tools::formatValue(value)));
  }
  return documentWritten ? 0 : 1;
}

int run(char** argv) {
  // Qt sees no arguments: it would take "-platform", "-style" and the like
  // for its own (and abort on a platform it lacks).
  QStringList args;
  for (int i = 1; argv[i] != nullptr; ++i) args << QString::fromLocal8Bit(argv[i]);

  QString answer, snapshotDir;
  while (args.size() >= 2 && (args[0] == QLatin1String("--answer") || args[0] == QLatin1String("--snapshot"))) {
    const QString option = args.takeFirst(), value = args.takeFirst();
    if (option == QLatin1String("--answer")) {
      answer = value;
      if (!platform::ConsoleUi::parseAnswer(answer)) return fail(QStringLiteral("--answer takes yes, no, ok or cancel"));
    } else {
      snapshotDir = value;
      if (!useSnapshots(snapshotDir)) return fail(QStringLiteral("cannot make the snapshot folder '%1'").arg(value));
    }
  }

  ensureRuntimeDir();
  chooseQtPlatform(!snapshotDir.isEmpty());
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
    usage();
    return args.isEmpty() ? 2 : 0;
  }
  if (args[0] == QLatin1String("--register") || args[0] == QLatin1String("--unregister")) {
    if (args.size() != 2) return fail(QStringLiteral("%1 takes one library path").arg(args[0]));
    return registration(args[1], args[0] == QLatin1String("--unregister"));
  }
  useConsoleMessageBoxes(answer);
  QString error;
  std::optional<CallRequest> call = parseCall(std::move(args), error);
  if (!call) return fail(error);
  return runCall(*call);
}

}  // namespace

int main(int, char** argv) {
  // A file size limit shows as the ordinary "Disk full" fault, not as a silent kill.
  std::signal(SIGXFSZ, SIG_IGN);
  // Running out of memory (a huge list file, say) ends the call with a message, not an abort.
  try {
    return run(argv);
  } catch (const std::bad_alloc&) {
    return fail(QStringLiteral("not enough memory"), 1);
  }
}
