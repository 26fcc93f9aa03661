// The job profile file reader fed random files through ProfileLoader, the
// way the graph window loads them. A plain byte-by-byte reading of the same
// rules (below, written without the reader's shortcuts) says which records
// the file holds and what each cell is; the list must show exactly those
// rows and cells, each cell's text must give back its bytes as ISO 8859-1,
// and a file that holds "Inno" in a field must stop the listing before that
// record. A leading UTF-8 byte-order mark is no part of the first field. The
// same file loaded twice must list its rows twice.
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "coravel/graph/profile_loader.h"
#include "coravel/graph/profile_table.h"
#include "fuzz/fuzz_check.h"

namespace {

using coravel::LoadOutcome;
using coravel::ProfileTable;

struct Expected {
  std::vector<std::vector<std::string>> records;
  bool abandoned = false;
};

bool blank(char c) { return c == ' ' || c == '\t'; }
bool lineEnd(char c) { return c == '\r' || c == '\n'; }
bool separator(char c) { return c == ',' || lineEnd(c); }

// One field from `at`, which moves past it and its separator.
std::string field(const std::string& text, size_t& at) {
  while (at < text.size() && blank(text[at])) ++at;
  if (at >= text.size()) return {};
  std::string out;
  if (text[at] == '"') {
    ++at;
    while (at < text.size() && text[at] != '"') out += text[at++];
    while (at < text.size() && !separator(text[at])) ++at;  // the quote, and what follows it
  } else {
    while (at < text.size() && !separator(text[at])) out += text[at++];
    while (!out.empty() && blank(out.back())) out.pop_back();
  }
  if (at < text.size()) {
    const bool cr = text[at] == '\r';
    ++at;
    if (cr && at < text.size() && text[at] == '\n') ++at;
  }
  return out;
}

Expected expectedOf(const std::string& text) {
  Expected e;
  size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // a UTF-8 byte-order mark is skipped
  for (;;) {
    while (at < text.size() && (blank(text[at]) || lineEnd(text[at]))) ++at;
    if (at >= text.size()) return e;
    std::vector<std::string> record;
    for (int i = 0; i < ProfileTable::kColumnCount; ++i) {
      record.push_back(field(text, at));
      if (record.back().find("Inno") != std::string::npos) {
        e.abandoned = true;
        return e;
      }
    }
    e.records.push_back(std::move(record));
  }
}

void checkRows(const ProfileTable& list, int first, const Expected& expected) {
  for (size_t r = 0; r < expected.records.size(); ++r) {
    const int item = first + int(r);
    const ProfileTable::Row row = list.row(item);
    for (int c = 0; c < ProfileTable::kColumnCount; ++c) {
      const std::string& want = expected.records[r][size_t(c)];
      const std::string where = "row " + std::to_string(item) + " column " + std::to_string(c);
      FUZZ_CHECK(row[size_t(c)] == want, where);
      FUZZ_CHECK(list.cell(item, c) == want, where);
      const QString text = list.cellText(item, c);
      FUZZ_CHECK(text.size() == qsizetype(want.size()) && text.toLatin1().toStdString() == want, where);
      FUZZ_CHECK(list.data(list.index(item, c)).toString() == text, where);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("job.dat"));
  {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
  }
  const Expected expected = expectedOf(std::string(reinterpret_cast<const char*>(data), size));
  const int count = int(expected.records.size());

  ProfileTable list;
  coravel::ProfileLoader loader(list);
  const LoadOutcome wantOutcome = expected.abandoned ? LoadOutcome::NotProfile : LoadOutcome::Read;
  for (int load = 0; load < 2; ++load) {
    FUZZ_CHECK(loader.LoadLWGraph(list, path) == wantOutcome);
    FUZZ_CHECK(list.itemCount() == count * (load + 1),
               "listed " + std::to_string(list.itemCount()) + ", expected " + std::to_string(count * (load + 1)));
    FUZZ_CHECK(list.rowCount() == list.itemCount() && list.columnCount() == ProfileTable::kColumnCount);
  }
  FUZZ_CHECK(loader.filesRead() == (expected.abandoned ? 0 : 2));
  checkRows(list, 0, expected);
  checkRows(list, count, expected);
  list.clear();
  FUZZ_CHECK(list.itemCount() == 0 && list.textBytes() == 0);
  return 0;
}
