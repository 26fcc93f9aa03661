// Tricky cells written by both writers come back whole through common
// readers: Python's csv module and its html.parser.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "rowcast/export/ccsv.h"
#include "rowcast/export/chtml.h"
#include "rowcast/list/memory_list.h"

namespace rowcast {
namespace {

// Prints {"csv": rows, "html": rows, "title": text} for the two files.
constexpr char kReader[] = R"PY(
import csv, json, sys
from html.parser import HTMLParser

class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell, self.title, self.in_title = [], None, '', False
    def handle_starttag(self, tag, attrs):
        if tag == 'tr': self.rows.append([])
        elif tag == 'td': self.cell = ''
        elif tag == 'title': self.in_title = True
    def handle_endtag(self, tag):
        if tag == 'td': self.rows[-1].append(self.cell); self.cell = None
        elif tag == 'title': self.in_title = False
    def handle_data(self, data):
        if self.cell is not None: self.cell += data
        elif self.in_title: self.title += data

with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.reader(f))
page = Page()
with open(sys.argv[2], newline='', encoding='utf-8') as f:
    page.feed(f.read())
page.close()
print(json.dumps({'csv': rows, 'html': page.rows, 'title': page.title[:-2]}))
)PY";

QJsonArray toJson(const std::vector<QStringList>& rows) {
  QJsonArray result;
  for (const QStringList& row : rows) result.append(QJsonArray::fromStringList(row));
  return result;
}

TEST(RoundTripTest, TrickyCellsComeBackWholeThroughCommonReaders) {
  const QStringList headers{QStringLiteral("Plain"), QStringLiteral("Quote \"q\""), QStringLiteral("<Markup> & co")};
  const std::vector<QStringList> rows{
      {QStringLiteral("He said \"hi\""), QStringLiteral("a,b,,c"), QStringLiteral("line one\r\nline two")},
      {QStringLiteral("Z\u00fcrich \u2713 \u65e5\u672c \U0001F600"), QStringLiteral("\"\""), QString()},
      {QStringLiteral("</td><script>alert(\"x\")</script>"), QStringLiteral("&amp; &lt;"),
       QStringLiteral("  padded  ")},
      {QStringLiteral("short row")},
  };
  const QString title = QStringLiteral("Tom & \"Jerry\" <Shifts>");
  auto list = std::make_shared<MemoryList>(QStringLiteral("lvw"), headers, rows);

  QTemporaryDir dir;
  const QString csvPath = dir.filePath(QStringLiteral("out.csv"));
  const QString htmlPath = dir.filePath(QStringLiteral("out.html"));
  CCsv csv(dir.path());
  csv.setLvwToPrint(list);
  csv.setFileName(csvPath);
  ASSERT_TRUE(csv.Rowcast()) << csv.LastErrorMsg().toStdString();
  CHtml html(dir.path());
  html.setLvwToPrint(list);
  html.setFileName(htmlPath);
  html.setTitle(title);
  ASSERT_TRUE(html.Rowcast()) << html.LastErrorMsg().toStdString();

  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader), csvPath, htmlPath});
  if (!python.waitForStarted()) GTEST_SKIP() << "python3 is not available";
  ASSERT_TRUE(python.waitForFinished(60000));
  ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  const QJsonObject read = QJsonDocument::fromJson(python.readAllStandardOutput()).object();

  EXPECT_EQ(read.value(QLatin1String("csv")).toArray(), toJson(rows));
  std::vector<QStringList> page{headers};
  page.insert(page.end(), rows.begin(), rows.end());
  EXPECT_EQ(read.value(QLatin1String("html")).toArray(), toJson(page));
  EXPECT_EQ(read.value(QLatin1String("title")).toString(), title);
}

}  // namespace
}  // namespace rowcast
