// wwreg's import fed random registry files, into a fresh store that already
// holds a few keys. The store is read back by exporting every root and
// parsing the exports. An import that fails must leave the store exactly as
// it was; one that succeeds must leave exactly what a plain in-memory
// registry gets from applying the parsed file's sections in order. Either
// way every export must parse back without error.
//
// Input: the first byte's low bit puts the header line in front of the rest,
// so that most inputs get past it; the rest is the file.
#include <QFile>
#include <QTemporaryDir>
#include <sstream>

#include "fuzz/fuzz_check.h"
#include "platform/registry/registry_model.h"
#include "platform/registry/sqlite_registry.h"
#include "tools/wwreg/reg_file.h"
#include "tools/wwreg/reg_tool.h"

namespace {

using platform::RegistryModel;
using wwreg::RegFileSection;
using wwreg::RegFileValue;
namespace reg = platform::reg;

struct RootName {
  const char* name;
  const char* shortName;
};
// In the order of their handles, which is the model's order of root keys.
constexpr RootName kRoots[RegistryModel::kRoots] = {
    {"HKEY_CLASSES_ROOT", "HKCR"},      {"HKEY_CURRENT_USER", "HKCU"}, {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},              {"HKEY_PERFORMANCE_DATA", ""}, {"HKEY_CURRENT_CONFIG", "HKCC"},
    {"HKEY_DYN_DATA", ""}};

constexpr char kBaseFile[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vandr\\Registry]\r\n"
    "\"AppPath\"=\"/home/me/jobs\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "@=hex:00,ff\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vandr\\Registry\\Sub]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Caf\xc3\xa9]\r\n"
    "\"\xc3\x89t\xc3\xa9\"=hex(7):61,00,00\r\n";

int runTool(platform::Registry& store, const QStringList& args) {
  std::istringstream in;
  std::ostringstream out, err;
  wwreg::Console console{in, out, err};
  return wwreg::run(args, [&]() -> platform::Registry& { return store; }, console);
}

std::string bytesOf(const QString& text) { return text.toLatin1().toStdString(); }

// The store as sections, one per key, by exporting each root.
std::vector<RegFileSection> exported(platform::Registry& store, const QString& file) {
  std::vector<RegFileSection> all;
  for (const RootName& root : kRoots) {
    FUZZ_CHECK(runTool(store, {"export", QLatin1String(root.name), file, "/y"}) == 0, root.name);
    QFile in(file);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    wwreg::RegFileContent content = wwreg::readRegFile(in);
    FUZZ_CHECK(content.error.isEmpty(), "export of " + std::string(root.name) + " does not parse back: line " +
                                            std::to_string(content.line) + ": " + content.error.toStdString());
    for (RegFileSection& s : content.sections) all.push_back(std::move(s));
  }
  return all;
}

void dumpModel(const RegistryModel& model, int key, const QString& display, std::vector<RegFileSection>& out) {
  RegFileSection section;
  section.key = display;
  for (const auto& [folded, v] : model.key(key).values) section.values.push_back(RegFileValue{v.name, false, v.type, v.data});
  out.push_back(std::move(section));
  for (const auto& [folded, child] : model.key(key).children)
    dumpModel(model, child, display + QLatin1Char('\\') + QString::fromLatin1(model.key(child).name), out);
}

std::vector<RegFileSection> modelSections(const RegistryModel& model) {
  std::vector<RegFileSection> all;
  for (int root = 0; root < RegistryModel::kRoots; ++root) dumpModel(model, root, QLatin1String(kRoots[root].name), all);
  return all;
}

// The root and path parts a section's key names, as the tool reads it;
// false when it names no root.
bool keyParts(const QString& key, int& root, std::vector<std::string>& parts) {
  const QStringList names = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  if (key.startsWith(QLatin1String("\\\\")) || names.isEmpty()) return false;
  for (root = 0; root < RegistryModel::kRoots; ++root) {
    if (names[0].compare(QLatin1String(kRoots[root].name), Qt::CaseInsensitive) == 0 ||
        (*kRoots[root].shortName && names[0].compare(QLatin1String(kRoots[root].shortName), Qt::CaseInsensitive) == 0))
      break;
  }
  if (root == RegistryModel::kRoots) return false;
  parts.clear();
  for (qsizetype i = 1; i < names.size(); ++i) parts.push_back(bytesOf(names[i]));
  return true;
}

// Applies a parsed file to the model as a successful import does.
void applyImport(RegistryModel& model, const std::vector<RegFileSection>& sections) {
  for (const RegFileSection& s : sections) {
    int root = 0;
    std::vector<std::string> parts;
    FUZZ_CHECK(keyParts(s.key, root, parts), "the import took a key that names no root");
    if (s.remove) {
      FUZZ_CHECK(!parts.empty(), "the import deleted a root");
      if (const int key = model.find(root, parts); key >= 0) model.erase(key);
      continue;
    }
    const int key = model.create(root, parts);
    for (const RegFileValue& v : s.values) {
      if (v.remove) model.deleteValue(key, v.name);
      else model.setValue(key, v.name, v.type, v.data);
    }
  }
}

std::string describe(const std::vector<RegFileSection>& sections) {
  return wwreg::writeRegFile(sections).toStdString();
}

bool same(const std::vector<RegFileSection>& a, const std::vector<RegFileSection>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].key != b[i].key || a[i].remove != b[i].remove || a[i].values.size() != b[i].values.size()) return false;
    for (size_t j = 0; j < a[i].values.size(); ++j) {
      const RegFileValue &x = a[i].values[j], &y = b[i].values[j];
      if (x.name != y.name || x.remove != y.remove || x.type != y.type || x.data != y.data) return false;
    }
  }
  return true;
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString storePath = dir.filePath(QStringLiteral("store.sqlite3"));
  const QString importPath = dir.filePath(QStringLiteral("import.reg"));
  const QString exportPath = dir.filePath(QStringLiteral("export.reg"));
  for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(storePath + QLatin1String(suffix));

  QByteArray file;
  if (size > 0 && (data[0] & 1) != 0) file = QByteArray(wwreg::kRegFileHeader) + "\r\n";
  if (size > 0) file += QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  platform::SqliteRegistry store(storePath);
  RegistryModel model;
  write(importPath, QByteArray(kBaseFile));
  FUZZ_CHECK(runTool(store, {"import", importPath}) == 0);
  applyImport(model, wwreg::readRegFile(QByteArray(kBaseFile)).sections);
  const std::vector<RegFileSection> before = exported(store, exportPath);
  FUZZ_CHECK(same(before, modelSections(model)), "the base file: store\n" + describe(before));

  write(importPath, file);
  const int exitCode = runTool(store, {"import", importPath});
  const std::vector<RegFileSection> after = exported(store, exportPath);
  if (exitCode != 0) {
    FUZZ_CHECK(same(after, before), "a failed import changed the store:\n" + describe(after));
    return 0;
  }
  const wwreg::RegFileContent content = wwreg::readRegFile(file);
  FUZZ_CHECK(content.error.isEmpty(), "the import took a file the reader refuses");
  applyImport(model, content.sections);
  const std::vector<RegFileSection> expected = modelSections(model);
  FUZZ_CHECK(same(after, expected), "store:\n" + describe(after) + "\nexpected:\n" + describe(expected));
  return 0;
}
