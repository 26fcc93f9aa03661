// The CSV and HTML writers fed random lists. The CSV file must read back
// through a strict reader to exactly the list's cells, row by row; the HTML
// page must have exactly the expected shape, with every text from the list
// or the title escaped so that none of it can form markup, and reading the
// escapes back must give the text.
#include <QFile>
#include <QTemporaryDir>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/strict_csv.h"
#include "rowcast/export/ccsv.h"
#include "rowcast/export/chtml.h"
#include "rowcast/list/memory_list.h"

namespace {

std::string readFile(const QString& path) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::ReadOnly));
  return file.readAll().toStdString();
}

std::shared_ptr<rowcast::MemoryList> randomList(fuzz::FuzzInput& in) {
  const QString name = in.text(8);
  QStringList headers;
  for (uint32_t n = in.below(5); n > 0; --n) headers << in.text(10);
  auto list = std::make_shared<rowcast::MemoryList>(name, headers);
  for (uint32_t rows = in.below(7); rows > 0; --rows) {
    QStringList row;
    for (uint32_t n = in.below(5); n > 0; --n) row << in.text(12);
    list->addRow(row);
  }
  return list;
}

// The cells of row `item` as the writers see them: an empty row is one
// empty item text.
QStringList cellsOf(const rowcast::ListModel& list, int item) {
  QStringList cells{list.itemText(item)};
  for (int sub = 0; sub < list.subItemCount(item); ++sub) cells << list.subItemText(item, sub);
  return cells;
}

void checkCsv(const std::string& bytes, const rowcast::ListModel& list) {
  std::string error;
  const std::optional<std::vector<QStringList>> records = fuzz::readStrictCsv(bytes, &error);
  FUZZ_CHECK(records, error);
  FUZZ_CHECK(records->size() == size_t(list.itemCount()));
  for (int item = 0; item < list.itemCount(); ++item) {
    QStringList expected = cellsOf(list, item);
    for (QString& cell : expected) cell = fuzz::withoutLoneSurrogates(cell);
    FUZZ_CHECK((*records)[size_t(item)] == expected, "row " + std::to_string(item));
  }
}

std::string hex(const QString& text) {
  std::string out;
  for (QChar c : text) out += QStringLiteral("%1 ").arg(c.unicode(), 4, 16, QLatin1Char('0')).toStdString();
  return out;
}

// Walks the page from the front; a text from the list may only hold
// characters that cannot open or close markup, and entities of the four
// escaped characters.
class PageReader {
 public:
  explicit PageReader(std::string bytes) : bytes_(std::move(bytes)) {}

  void expect(std::string_view literal) {
    FUZZ_CHECK(bytes_.compare(at_, literal.size(), literal) == 0,
               "expected \"" + std::string(literal) + "\" at byte " + std::to_string(at_));
    at_ += literal.size();
  }
  void expectLine(std::string_view literal) {
    expect(literal);
    expect("\r\n");
  }
  // The escaped text up to the next "<", read back.
  QString text() {
    const size_t end = bytes_.find('<', at_);
    FUZZ_CHECK(end != std::string::npos);
    std::string raw = bytes_.substr(at_, end - at_);
    at_ = end;
    std::string plain;
    for (size_t i = 0; i < raw.size(); ++i) {
      FUZZ_CHECK(raw[i] != '>' && raw[i] != '"', "markup character in a text");
      if (raw[i] != '&') {
        plain += raw[i];
        continue;
      }
      static const std::pair<std::string_view, char> kEntities[] = {
          {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
      bool known = false;
      for (const auto& [entity, c] : kEntities) {
        if (raw.compare(i, entity.size(), entity) == 0) {
          plain += c;
          i += entity.size() - 1;
          known = true;
          break;
        }
      }
      FUZZ_CHECK(known, "a bare & in a text");
    }
    std::optional<QString> decoded = fuzz::decodeUtf8(plain);
    FUZZ_CHECK(decoded, "invalid UTF-8 in a text");
    return *decoded;
  }
  void expectText(const QString& original, std::string_view lineEnd = {}) {
    const QString expected = fuzz::withoutLoneSurrogates(original) + QString::fromLatin1(lineEnd);
    const QString got = text();
    FUZZ_CHECK(got == expected, "text differs before byte " + std::to_string(at_) + ": read " + hex(got) +
                                    ", expected " + hex(expected));
  }
  // The date line: any text without markup up to "->".
  void skipDate() {
    const size_t end = bytes_.find("->\r\n", at_);
    FUZZ_CHECK(end != std::string::npos && bytes_.find('<', at_) > end);
    at_ = end + 4;
  }
  bool atEnd() const { return at_ == bytes_.size(); }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

void checkHtml(const std::string& bytes, const rowcast::ListModel& list, const QString& title) {
  PageReader page(bytes);
  page.expectLine("<!-Created by Rowcast.DLL Version 2.1.0 ->");
  page.expect("<!-Created on ");
  page.skipDate();
  page.expectLine("<html>");
  page.expectLine("<center>");
  page.expect("<Title>");
  page.expectText(title, "\r\n");
  page.expectLine("</title>");
  page.expectLine("<body bgcolor = 'FFFFFF'text = '000000'>");
  page.expectLine("<h1>");
  page.expectText(title, "\r\n");
  page.expectLine("</h1>");
  page.expectLine("<Table border>");
  page.expectLine("<tr>");
  for (int column = 0; column < list.columnCount(); ++column) {
    page.expect("<td><center>");
    page.expectText(list.columnHeaderText(column));
    page.expectLine("</center></td>");
  }
  page.expectLine("</tr>");
  for (int item = 0; item < list.itemCount(); ++item) {
    page.expectLine("<tr>");
    for (const QString& cell : cellsOf(list, item)) {
      page.expect("<td>");
      page.expectText(cell);
      page.expectLine("</td>");
    }
    page.expectLine("</tr>");
  }
  for (const char* end : {"</table>", "</Center>", "</body>", "</html>"}) page.expectLine(end);
  FUZZ_CHECK(page.atEnd(), "text after the page");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  fuzz::FuzzInput in(data, size);
  const QString title = in.flag() ? in.text(10) : QString();
  const std::shared_ptr<rowcast::MemoryList> list = randomList(in);

  rowcast::CCsv csv(dir.path());
  csv.setLvwToPrint(list);
  csv.setFileName(dir.filePath(QStringLiteral("list.csv")));
  FUZZ_CHECK(csv.Rowcast(), csv.LastErrorMsg().toStdString());
  checkCsv(readFile(dir.filePath(QStringLiteral("list.csv"))), *list);

  rowcast::CHtml html(dir.path());
  html.setLvwToPrint(list);
  html.setTitle(title);
  html.setFileName(dir.filePath(QStringLiteral("list.html")));
  FUZZ_CHECK(html.Rowcast(), html.LastErrorMsg().toStdString());
  const QString shownTitle = title.isEmpty() ? list->name() + QStringLiteral(" Output") : title;
  checkHtml(readFile(dir.filePath(QStringLiteral("list.html"))), *list, shownTitle);
  return 0;
}
