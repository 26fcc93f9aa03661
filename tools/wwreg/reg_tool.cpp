#include "tools/wwreg/reg_tool.h"

#include <unistd.h>

#include <cerrno>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <istream>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/code_page.h"
#include "platform/files/store_files.h"
#include "platform/files/writable_file.h"
#include "platform/registry/key_names.h"
#include "platform/registry/registry_client.h"
#include "platform/registry/sliced_writes.h"
#include "tools/wwreg/import_source.h"
#include "tools/wwreg/key_path.h"
#include "tools/wwreg/key_values.h"
#include "tools/wwreg/reg_file.h"
#include "tools/wwreg/tool_options.h"

namespace wwreg {
namespace {

using platform::HKEY;
using platform::Registry;
using platform::reg::ScopedKey;
namespace reg = platform::reg;

constexpr char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.";
constexpr char kDone[] = "The operation completed successfully.";
constexpr char kCanceled[] = "The operation was canceled by the user.";
constexpr char kBadSyntax[] = "ERROR: Invalid syntax.";
constexpr char kBadKey[] = "ERROR: Invalid key name.";
constexpr char kOutsideCodePage[] =
    "ERROR: The name \"%1\" has characters outside code page 1252, which registry names cannot hold.";

constexpr char kUsage[] = R"(WWREG Operation [Parameter List]

  Operation  [ QUERY | ADD | DELETE | EXPORT | IMPORT ]

Works on the registry store named by WAGEWISE_REGISTRY, else
$XDG_CONFIG_HOME/wagewise/registry.sqlite3 (~/.config/... by default).

Return Code:
  0 - Successful
  1 - Failed

For help on a specific operation type:
  WWREG Operation /?
)";

constexpr char kQueryUsage[] = R"(WWREG QUERY KeyName [/v ValueName | /ve] [/s]

  KeyName  ROOTKEY\SubKey
           ROOTKEY  [ HKLM | HKCU | HKCR | HKU | HKCC ] or its full name
  /v       Queries the value named ValueName.
  /ve      Queries the default value (empty name).
  /s       Queries all subkeys and values recursively.

Examples:
  WWREG QUERY HKCU\Software\Vandr\Registry
  WWREG QUERY HKCU\Software\Vandr\Registry /v AppPath
)";

constexpr char kAddUsage[] = R"(WWREG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] [/d Data] [/f]

  /v       The value name to add.
  /ve      Adds the default value (empty name).
  /t       REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,
           REG_BINARY, REG_NONE.
  /s       Separator between the strings of REG_MULTI_SZ data (default "\0").
  /d       The data: text for string types (stored with a final NUL),
           a decimal or 0x hex number for REG_DWORD and REG_QWORD,
           hex digits for REG_BINARY and REG_NONE.
  /f       Overwrites an existing value without asking.

Examples:
  WWREG ADD HKCU\Software\Vandr\Registry /v AppPath /d /home/me/jobs
  WWREG ADD HKCU\Software\Test /v Count /t REG_DWORD /d 0x2a /f
)";

constexpr char kDeleteUsage[] = R"(WWREG DELETE KeyName [/v ValueName | /ve | /va] [/f]

  /v       Deletes the value named ValueName.
  /ve      Deletes the default value (empty name).
  /va      Deletes all values of the key.
  /f       Deletes without asking.
  Without /v, /ve and /va the key is deleted with all its subkeys.
)";

constexpr char kExportUsage[] = R"(WWREG EXPORT KeyName FileName [/y] [/utf16]

  Writes the key, its subkeys and their values to FileName as a
  registry file (UTF-8, CRLF line ends).
  /y       Overwrites an existing file without asking.
  /utf16   Writes the form the platform's registry editor writes and reads
           (UTF-16LE with byte-order mark; string data in hex lines as
           UTF-16LE), for a file that goes back to such a machine.
)";

constexpr char kImportUsage[] = R"(WWREG IMPORT FileName [--max-bytes N]

  Reads a registry file (UTF-8, or UTF-16LE with byte-order mark as the
  platform's registry editor writes it; the header may be REGEDIT4) and
  applies it: [KEY] creates keys and sets values, [-KEY] deletes a key with
  its subkeys, "name"=- deletes a value. Only regular files are read (not
  pipes, devices or folders), and none larger than 64 MiB.
  The whole file is checked first: a file refused (malformed, too large,
  a name past the limits) changes nothing. It is then written in
  transactions of about 50 ms each, so that other programs' settings
  writes never wait long; a failure while writing (a full disk) leaves what
  was written before it and says which keys those are.
  --max-bytes N  Reads files of up to N bytes instead.
)";

// How far an import has gone: the section, the value within it, and the
// section's key while it is open.
struct ImportCursor {
  size_t section = 0;
  size_t value = 0;
  HKEY key = 0;
};

// Files larger than this are refused unread unless --max-bytes says otherwise.
constexpr qint64 kDefaultMaxImportBytes = qint64(64) << 20;

std::string toBytes(const QString& s) { return reg::dataFromText(s); }  // characters without a byte become '?'

// Names must hold only characters of code page 1252: as "?" others would
// name another key or value.
bool fitsCodePage(const QString& name) {
  return std::all_of(name.begin(), name.end(), [](QChar c) { return core::codePage1252Byte(c.unicode()) >= 0; });
}

QString fromBytes(std::string_view b) { return reg::textFromData(b); }

// A name short enough for a message.
QString elided(const QString& name) {
  constexpr qsizetype kShown = 100;
  return name.size() <= kShown ? name : name.left(kShown) + QStringLiteral("...");
}

void say(std::ostream& o, const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  o.write(utf8.constData(), utf8.size());
  o << '\n';
}

QString errorText(int32_t rc) {
  switch (rc) {
    case reg::kFileNotFound: return QString::fromLatin1(kNotFound);
    case reg::kAccessDenied: return QStringLiteral("ERROR: Access is denied.");
    case reg::kInvalidParameter:
      return QStringLiteral("ERROR: The parameter is incorrect: a name is past the registry's limits (key names "
                            "of 255 characters, 512 keys deep, value names of 16,383 characters).");
    case reg::kDiskFull: return QStringLiteral("ERROR: There is not enough space on the disk.");
    case reg::kBusy: return QStringLiteral("ERROR: The registry store is in use by another process.");
    case reg::kBadDb: return QStringLiteral("ERROR: The configuration registry database is corrupt.");
    case reg::kIoFailed: return QStringLiteral("ERROR: An I/O operation initiated by the registry failed unrecoverably.");
    case reg::kKeyDeleted:
      return QStringLiteral("ERROR: Illegal operation attempted on a registry key that has been marked for deletion.");
    default: return QStringLiteral("ERROR: The registry call failed with code %1.").arg(rc);
  }
}

class Tool {
 public:
  Tool(const std::function<Registry&()>& registry, Console& console) : registry_(registry), c_(console) {}

  int run(const QStringList& args) {
    if (args.isEmpty()) {
      c_.out << kUsage;
      return 1;
    }
    const QString verb = args[0].toLower();
    if (verb == QLatin1String("/?") || verb == QLatin1String("-?")) {
      c_.out << kUsage;
      return 0;
    }
    if (verb == QLatin1String("query")) return query(args);
    if (verb == QLatin1String("add")) return add(args);
    if (verb == QLatin1String("delete")) return remove(args);
    if (verb == QLatin1String("export")) return exportKey(args);
    if (verb == QLatin1String("import")) return importFile(args);
    return syntaxError(QString());
  }

 private:
  int syntaxError(const QString& verb) {
    say(c_.err, QString::fromLatin1(kBadSyntax));
    say(c_.err, QStringLiteral("Type \"WWREG %1/?\" for usage.").arg(verb.isEmpty() ? QString() : verb + ' '));
    return 1;
  }
  int fail(const QString& message) {
    say(c_.err, message);
    return 1;
  }
  // The store's own reason (naming its file) when it could not be used.
  int fail(int32_t rc) {
    const std::string why = registry_().storeError();
    return fail(why.empty() ? errorText(rc) : QStringLiteral("ERROR: ") + QString::fromStdString(why) + '.');
  }
  int outsideCodePage(const QString& name) { return fail(QString::fromLatin1(kOutsideCodePage).arg(name)); }
  // A key or value name given on the command line that cannot be a name.
  std::optional<int> badName(const Options& o) {
    if (!fitsCodePage(o.positional[0])) return outsideCodePage(o.positional[0]);
    if (o.has("v") && !fitsCodePage(o.get("v"))) return outsideCodePage(o.get("v"));
    return std::nullopt;
  }
  int done() {
    say(c_.out, QString::fromLatin1(kDone));
    return 0;
  }
  int canceled() {
    say(c_.out, QString::fromLatin1(kCanceled));
    return 1;
  }

  // Asks until the answer is yes or no; the end of input counts as no.
  bool confirm(const QString& question) {
    for (;;) {
      const QByteArray q = (question + QLatin1Char(' ')).toUtf8();
      c_.out.write(q.constData(), q.size());
      c_.out.flush();
      std::string answer;
      if (!std::getline(c_.in, answer)) {
        c_.out << '\n';
        return false;
      }
      const QString a = QString::fromLocal8Bit(answer.c_str()).trimmed().toLower();
      if (a == QLatin1String("y") || a == QLatin1String("yes")) return true;
      if (a == QLatin1String("n") || a == QLatin1String("no")) return false;
    }
  }

  // Parses the verb's switches and its positional count; prints usage for /?.
  std::optional<Options> options(const QStringList& args, const std::map<QString, bool>& known, int positional,
                                 const char* usage, int& exitCode) {
    auto o = parseOptions(args, known);
    if (o && o->help) {
      c_.out << usage;
      exitCode = 0;
      return std::nullopt;
    }
    if (!o || o->positional.size() != positional) {
      exitCode = syntaxError(args[0].toUpper());
      return std::nullopt;
    }
    return o;
  }

  // The value name chosen by /v or /ve, if any.
  static std::optional<std::string> valueName(const Options& o) {
    if (o.has("ve")) return std::string();
    if (o.has("v")) return toBytes(o.get("v"));
    return std::nullopt;
  }

  int query(const QStringList& args) {
    int exitCode = 1;
    const auto o = options(args, {{"v", true}, {"ve", false}, {"s", false}}, 1, kQueryUsage, exitCode);
    if (!o) return exitCode;
    if (o->has("v") && o->has("ve")) return syntaxError(QStringLiteral("QUERY"));
    if (auto code = badName(*o)) return *code;
    const auto key = parseKey(o->positional[0]);
    if (!key) return fail(QString::fromLatin1(kBadKey));
    Registry& r = registry_();
    HKEY k = 0;
    if (int32_t rc = r.RegOpenKeyExA(key->root, key->path, 0, reg::kKeyRead, &k); rc != reg::kSuccess)
      return fail(rc);
    const ScopedKey opened(r, k);
    int result = 0;
    if (const auto name = valueName(*o)) {
      std::vector<Value> values;
      if (int32_t rc = readValues(r, k, values); rc != reg::kSuccess) {
        result = fail(rc);
      } else {
        auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return sameName(v.name, *name); });
        if (it == values.end()) {
          result = fail(QString::fromLatin1(kNotFound));
        } else {
          c_.out << '\n';
          say(c_.out, key->display());
          say(c_.out, valueLine(*it));
          c_.out << '\n';
        }
      }
    } else if (o->has("s")) {
      int matches = 0;
      c_.out << '\n';
      if (int32_t rc = r.readAtomically([&] { return listTree(r, k, key->display(), matches, true); });
          rc != reg::kSuccess) {
        result = fail(rc);
      } else {
        say(c_.out, QStringLiteral("End of search: %1 match(es) found.").arg(matches));
      }
    } else {
      result = listKey(r, k, key->display());
    }
    return result;
  }

  int listKey(Registry& r, HKEY k, const QString& display) {
    std::vector<Value> values;
    std::vector<std::string> subkeys;
    const int32_t rc = r.readAtomically([&] {
      const int32_t result = readValues(r, k, values);
      return result == reg::kSuccess ? readSubkeys(r, k, subkeys) : result;
    });
    if (rc != reg::kSuccess) return fail(rc);
    c_.out << '\n';
    say(c_.out, display);
    for (const Value& v : values) say(c_.out, valueLine(v));
    if (!subkeys.empty()) c_.out << '\n';
    for (const std::string& s : subkeys) say(c_.out, display + QLatin1Char('\\') + fromBytes(s));
    return 0;
  }

  // Visits `k` and every key below it, each key before its subkeys and the
  // subkeys in the store's order; `visit` takes a key's path as shown and
  // its values, read before anything of the key is visited.
  static int32_t walkTree(Registry& r, HKEY k, const QString& display,
                          const std::function<void(const QString&, std::vector<Value>&)>& visit) {
    std::vector<Value> values;
    std::vector<std::string> subkeys;
    int32_t rc = readValues(r, k, values);
    if (rc == reg::kSuccess) rc = readSubkeys(r, k, subkeys);
    if (rc != reg::kSuccess) return rc;
    visit(display, values);
    for (const std::string& s : subkeys) {
      HKEY sub = 0;
      if ((rc = r.RegOpenKeyExA(k, s, 0, reg::kKeyRead, &sub)) != reg::kSuccess) return rc;
      const ScopedKey opened(r, sub);
      if ((rc = walkTree(r, sub, display + QLatin1Char('\\') + fromBytes(s), visit)) != reg::kSuccess) return rc;
    }
    return reg::kSuccess;
  }

  // Every key below and its values, as /s lists them; the key asked for is
  // not counted as a match, its values and every key below are.
  int32_t listTree(Registry& r, HKEY k, const QString& display, int& matches, bool top) {
    return walkTree(r, k, display, [&](const QString& shown, std::vector<Value>& values) {
      say(c_.out, shown);
      if (!top) ++matches;
      top = false;
      for (const Value& v : values) say(c_.out, valueLine(v));
      matches += int(values.size());
      c_.out << '\n';
    });
  }

  int add(const QStringList& args) {
    int exitCode = 1;
    const auto o = options(args, {{"v", true}, {"ve", false}, {"t", true}, {"s", true}, {"d", true}, {"f", false}},
                           1, kAddUsage, exitCode);
    if (!o) return exitCode;
    if (o->has("v") && o->has("ve")) return syntaxError(QStringLiteral("ADD"));
    if (auto code = badName(*o)) return *code;
    const auto key = parseKey(o->positional[0]);
    if (!key) return fail(QString::fromLatin1(kBadKey));

    uint32_t type = reg::kString;
    if (o->has("t")) {
      const auto named = typeNamed(o->get("t"));
      if (!named) return fail(QStringLiteral("ERROR: Invalid type \"%1\".").arg(o->get("t")));
      type = *named;
    }
    if (o->has("s") && type != reg::kMultiString) return syntaxError(QStringLiteral("ADD"));
    const QString separator = o->has("s") ? o->get("s") : QStringLiteral("\\0");
    if (separator.isEmpty()) return syntaxError(QStringLiteral("ADD"));
    const auto data = encodeData(type, o->get("d"), separator);
    if (!data) return fail(QStringLiteral("ERROR: Invalid data \"%1\" for %2.").arg(o->get("d"), typeName(type)));
    // /t or /d without a name sets the default value.
    std::optional<std::string> name = valueName(*o);
    if (!name && (o->has("t") || o->has("d"))) name = std::string();

    Registry& r = registry_();
    if (name && valueExists(r, *key, *name) && !o->has("f")) {
      const QString shown = name->empty() ? QStringLiteral("(Default)") : fromBytes(*name);
      if (!confirm(QStringLiteral("Value %1 exists, overwrite(Yes/No)?").arg(shown))) return canceled();
    }
    // One transaction: a value that cannot be written leaves no new key behind.
    const int32_t rc = r.runAtomically([&] {
      HKEY k = 0;
      int32_t result = r.RegCreateKeyA(key->root, key->path, &k);
      if (result != reg::kSuccess) return result;
      const ScopedKey created(r, k);
      if (name)
        result = r.RegSetValueExA(k, *name, 0, type, reinterpret_cast<const uint8_t*>(data->data()),
                                  static_cast<uint32_t>(data->size()));
      return result;
    });
    return rc == reg::kSuccess ? done() : fail(rc);
  }

  static bool valueExists(Registry& r, const KeyPath& key, const std::string& name) {
    HKEY k = 0;
    if (r.RegOpenKeyExA(key.root, key.path, 0, reg::kKeyRead, &k) != reg::kSuccess) return false;
    const ScopedKey opened(r, k);
    return r.RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr) == reg::kSuccess;
  }

  int remove(const QStringList& args) {
    int exitCode = 1;
    const auto o =
        options(args, {{"v", true}, {"ve", false}, {"va", false}, {"f", false}}, 1, kDeleteUsage, exitCode);
    if (!o) return exitCode;
    if (int(o->has("v")) + int(o->has("ve")) + int(o->has("va")) > 1) return syntaxError(QStringLiteral("DELETE"));
    if (auto code = badName(*o)) return *code;
    const auto key = parseKey(o->positional[0]);
    if (!key) return fail(QString::fromLatin1(kBadKey));
    const bool force = o->has("f");
    Registry& r = registry_();
    HKEY k = 0;
    if (int32_t rc = r.RegOpenKeyExA(key->root, key->path, 0, reg::kKeyAllAccess, &k); rc != reg::kSuccess)
      return fail(rc);
    std::optional<ScopedKey> opened(std::in_place, r, k);
    int32_t rc = reg::kSuccess;
    bool asked = true;
    if (const auto name = valueName(*o)) {
      if ((rc = r.RegQueryValueExA(k, *name, nullptr, nullptr, nullptr, nullptr)) == reg::kSuccess) {
        const QString shown = name->empty() ? QStringLiteral("(Default)") : fromBytes(*name);
        asked = force || confirm(QStringLiteral("Delete the registry value %1 (Yes/No)?").arg(shown));
        if (asked) rc = r.RegDeleteValueA(k, *name);
      }
    } else if (o->has("va")) {
      asked = force || confirm(QStringLiteral("Delete all values under the registry key %1 (Yes/No)?").arg(key->display()));
      if (asked) {
        rc = r.runAtomically([&] {
          std::vector<Value> values;
          int32_t result = readValues(r, k, values);
          for (const Value& v : values) {
            if (result != reg::kSuccess) break;
            result = r.RegDeleteValueA(k, v.name);
          }
          return result;
        });
      }
    } else if (key->path.empty()) {
      rc = reg::kAccessDenied;  // a root is not deleted, nor emptied
    } else {
      asked = force || confirm(QStringLiteral("Delete the registry key %1 (Yes/No)?").arg(key->display()));
      if (asked) rc = deleteTreeInSlices(r, key->root, key->path);
    }
    opened.reset();
    if (!asked) return canceled();
    return rc == reg::kSuccess ? done() : fail(rc);
  }

  // Every key below and its values, as an export writes them.
  static int32_t collect(Registry& r, HKEY k, const QString& display, std::vector<RegFileSection>& out) {
    return walkTree(r, k, display, [&out](const QString& shown, std::vector<Value>& values) {
      RegFileSection section;
      section.key = shown;
      for (Value& v : values) section.values.push_back(RegFileValue{std::move(v.name), false, v.type, std::move(v.data)});
      out.push_back(std::move(section));
    });
  }

  int exportKey(const QStringList& args) {
    int exitCode = 1;
    const auto o = options(args, {{"y", false}, {"utf16", false}}, 2, kExportUsage, exitCode);
    if (!o) return exitCode;
    const auto key = parseKey(o->positional[0]);
    if (!key) return fail(QString::fromLatin1(kBadKey));
    const QString file = o->positional[1];
    Registry& r = registry_();
    platform::noteStoreFile(QString::fromStdString(r.storeFile()));
    if (platform::isStoreFileName(file)) return storeRefused(file);
    HKEY k = 0;
    if (int32_t rc = r.RegOpenKeyExA(key->root, key->path, 0, reg::kKeyRead, &k); rc != reg::kSuccess)
      return fail(rc);
    std::vector<RegFileSection> sections;
    int32_t rc = reg::kSuccess;
    {
      const ScopedKey opened(r, k);
      rc = r.readAtomically([&] { return collect(r, k, key->display(), sections); });
    }
    if (rc != reg::kSuccess) return fail(rc);
    if (const QString name = unwritableName(sections); !name.isEmpty())
      return fail(QStringLiteral("ERROR: Cannot export: %1 holds a line break or NUL, which a registry file "
                                 "cannot carry. No file was written.")
                      .arg(name));
    if (QFileInfo::exists(file) && !o->has("y") &&
        !confirm(QStringLiteral("File %1 already exists. Overwrite (Yes/No)?").arg(file)))
      return canceled();
    return writeExport(file, writeRegFile(sections, o->has("utf16") ? RegFileForm::Platform : RegFileForm::Text));
  }

  int storeRefused(const QString& file) {
    return fail(QStringLiteral("ERROR: Cannot export to %1: it is a file of the registry store itself.").arg(file));
  }

  // Checked once open, before the file is emptied: a link to the store, a
  // FIFO or a device is refused without harm or wait.
  int writeExport(const QString& file, const QByteArray& bytes) {
    const platform::WritableFile out = platform::openWritableFile(file, platform::WriteMode::Replace);
    switch (out.refusal) {
      case platform::WritableFile::Refusal::None: break;
      case platform::WritableFile::Refusal::SettingsStore: return storeRefused(file);
      case platform::WritableFile::Refusal::SystemError: return fail(QString::fromLatin1(kFileError));
      default: return fail(QStringLiteral("ERROR: Cannot export to %1: it is %2.").arg(file, out.reason()));
    }
    bool written = true;
    int error = 0;
    for (qsizetype sent = 0; written && sent < bytes.size();) {
      const ssize_t n = ::write(out.fd, bytes.constData() + sent, size_t(bytes.size() - sent));
      if (n > 0) sent += n;
      written = n > 0 || (n < 0 && errno == EINTR);
      if (!written) error = n < 0 ? errno : 0;
    }
    if (::close(out.fd) != 0 && written) {
      written = false;
      error = errno;
    }
    return written ? done() : exportFailed(file, out, error);
  }

  // A registry file cut short would import as less than was exported: it goes.
  int exportFailed(const QString& file, const platform::WritableFile& out, int error) {
    const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
    const QString why = full ? errorText(reg::kDiskFull) : QString::fromLatin1(kFileError);
    const QString after = platform::removeWrittenFile(out)
                              ? QStringLiteral("The incomplete file %1 was removed.")
                              : QStringLiteral("The file %1 is incomplete.");
    return fail(why + QLatin1Char(' ') + after.arg(file));
  }

  int importFile(const QStringList& args) {
    int exitCode = 1;
    // Switch names are taken after their first character: "--max-bytes" is "-max-bytes".
    const auto o = options(args, {{"-max-bytes", true}}, 1, kImportUsage, exitCode);
    if (!o) return exitCode;
    qint64 maxBytes = kDefaultMaxImportBytes;
    if (o->has("-max-bytes")) {
      const auto n = parseNumber(o->get("-max-bytes"), uint64_t(std::numeric_limits<qint64>::max()));
      if (!n) return fail(QStringLiteral("ERROR: Invalid --max-bytes \"%1\".").arg(o->get("-max-bytes")));
      maxBytes = qint64(*n);
    }
    QFile in;
    if (const QString why = openRegularFile(o->positional[0], maxBytes, in); !why.isEmpty()) return fail(why);
    const RegFileContent content = readRegFile(in);
    if (!content.error.isEmpty())
      return fail(QStringLiteral("ERROR: %1 is not a valid registry file: line %2: %3.")
                      .arg(o->positional[0])
                      .arg(content.line)
                      .arg(content.error));
    // Every name is checked before anything is written: a file refused
    // changes nothing.
    std::vector<KeyPath> keys;
    for (const RegFileSection& s : content.sections) {
      auto key = parseKey(s.key);
      if (!key) return fail(QStringLiteral("ERROR: Invalid key name [%1].").arg(s.key));
      if (const int32_t rc = checkSection(s, *key); rc != reg::kSuccess)
        return fail(QStringLiteral("%1 Key [%2]; nothing was imported.").arg(errorText(rc), elided(s.key)));
      keys.push_back(*key);
    }
    // Then written in transactions of about 50 ms each, so that nobody's
    // settings write waits for the whole file. A failure while writing (a
    // full disk) leaves what was written before it, as the platform's own
    // import does, and says how far that reached.
    Registry& r = registry_();
    ImportCursor cursor, landed;
    const int32_t rc = platform::runSliced(
        r, [&](bool& finished) { return importStep(r, content.sections, keys, cursor, finished); },
        [&] { landed = cursor; });
    if (cursor.key != 0) r.RegCloseKey(cursor.key);
    if (rc == reg::kSuccess) return done();
    if (!registry_().storeError().empty()) return fail(rc);
    return fail(QStringLiteral("%1 Key [%2]; %3").arg(errorText(rc), elided(content.sections[cursor.section].key),
                                                       importedBefore(content.sections, landed)));
  }

  // How far a failed import reached: the sections written whole, and any
  // part of the next one.
  static QString importedBefore(const std::vector<RegFileSection>& sections, const ImportCursor& landed) {
    const bool part = landed.key != 0 || landed.value > 0;
    if (landed.section == 0 && !part) return QStringLiteral("nothing was imported.");
    QString text = landed.section == 0 ? QString()
                   : landed.section == 1
                       ? QStringLiteral("key [%1] was imported").arg(elided(sections[0].key))
                       : QStringLiteral("the %1 keys from [%2] to [%3] were imported")
                             .arg(landed.section)
                             .arg(elided(sections[0].key), elided(sections[landed.section - 1].key));
    if (part)
      text += (text.isEmpty() ? QString() : QStringLiteral(", and ")) +
              QStringLiteral("%1 values of [%2]").arg(landed.value).arg(elided(sections[landed.section].key));
    return text + QStringLiteral("; the rest was not.");
  }

  // What a section will do that the store would refuse: names past the
  // limits, or the deletion of a root.
  static int32_t checkSection(const RegFileSection& s, const KeyPath& key) {
    if (!reg::validKeyNames(size_t{0}, reg::components(key.path))) return reg::kInvalidParameter;
    if (s.remove) return key.path.empty() ? reg::kAccessDenied : reg::kSuccess;
    for (const RegFileValue& v : s.values)
      if (!reg::validValueName(v.name)) return reg::kInvalidParameter;
    return reg::kSuccess;
  }

  // One small write of an import: a key deleted (one of its tree's keys at a
  // time), a key made, one value written or deleted.
  static int32_t importStep(Registry& r, const std::vector<RegFileSection>& sections, const std::vector<KeyPath>& keys,
                            ImportCursor& c, bool& finished) {
    if (c.section == sections.size()) {
      finished = true;
      return reg::kSuccess;
    }
    const RegFileSection& s = sections[c.section];
    const KeyPath& key = keys[c.section];
    if (s.remove) {
      bool gone = false;
      const int32_t rc = deleteOneLeaf(r, key.root, key.path, gone);
      if (rc == reg::kSuccess && gone) ++c.section;
      return rc;
    }
    if (c.key == 0) return r.RegCreateKeyA(key.root, key.path, &c.key);
    if (c.value < s.values.size()) {
      const RegFileValue& v = s.values[c.value++];
      if (!v.remove)
        return r.RegSetValueExA(c.key, v.name, 0, v.type, reinterpret_cast<const uint8_t*>(v.data.data()),
                                static_cast<uint32_t>(v.data.size()));
      const int32_t rc = r.RegDeleteValueA(c.key, v.name);
      return rc == reg::kFileNotFound ? reg::kSuccess : rc;
    }
    r.RegCloseKey(c.key);
    c = ImportCursor{c.section + 1, 0, 0};
    return reg::kSuccess;
  }

  const std::function<Registry&()>& registry_;
  Console& c_;
};

}  // namespace

int run(const QStringList& args, const std::function<platform::Registry&()>& registry, Console& console) {
  return Tool(registry, console).run(args);
}

}  // namespace wwreg
