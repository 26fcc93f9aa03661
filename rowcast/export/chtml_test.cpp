#include "rowcast/export/chtml.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::readFile;

class CHtmlTest : public ::testing::Test {
 protected:
  bool run(std::shared_ptr<ListModel> list) {
    html.setLvwToPrint(std::move(list));
    html.setFileName(path);
    return html.Rowcast();
  }
  // The page's lines; the second, which holds this moment, is checked for its form.
  QStringList pageLines() {
    const QByteArray bytes = readFile(path);
    EXPECT_TRUE(bytes.endsWith("</html>\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "every line ends in CR LF";
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    if (lines.size() > 1) {
      EXPECT_TRUE(QRegularExpression(QStringLiteral("^<!-Created on .+ at .+->$")).match(lines[1]).hasMatch())
          << lines[1].toStdString();
      lines[1] = QStringLiteral("<created on>");
    }
    return lines;
  }
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("out.html"));
  CHtml html{dir.path()};
};

QStringList head(const QString& title) {
  return {QStringLiteral("<!-Created by Rowcast.DLL Version 2.1.0 ->"),
          QStringLiteral("<created on>"),
          QStringLiteral("<html>"),
          QStringLiteral("<center>"),
          QStringLiteral("<Title>") + title,
          QStringLiteral("</title>"),
          QStringLiteral("<body bgcolor = 'FFFFFF'text = '000000'>"),
          QStringLiteral("<h1>"),
          title,
          QStringLiteral("</h1>"),
          QStringLiteral("<Table border>")};
}

const QStringList kFoot{QStringLiteral("</table>"), QStringLiteral("</Center>"), QStringLiteral("</body>"),
                        QStringLiteral("</html>")};

TEST_F(CHtmlTest, WritesThePageLineByLineWithTheListNameAsDefaultTitle) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("Shifts"), QStringList{QStringLiteral("Date"), QStringLiteral("Hours"), QStringLiteral("Pay")},
      std::vector<QStringList>{{QStringLiteral("01/02/24"), QStringLiteral("8"), QStringLiteral("\u20ac96")},
                               {QStringLiteral("01/03/24")},
                               {}});
  ASSERT_TRUE(run(list));
  const QStringList rowsPart{"<tr>", "<td><center>Date</center></td>", "<td><center>Hours</center></td>",
                            "<td><center>Pay</center></td>", "</tr>",
                            "<tr>", "<td>01/02/24</td>", "<td>8</td>", QStringLiteral("<td>\u20ac96</td>"), "</tr>",
                            "<tr>", "<td>01/03/24</td>", "</tr>",
                            "<tr>", "<td></td>", "</tr>"};
  EXPECT_EQ(pageLines(), head(QStringLiteral("Shifts Output")) + rowsPart + kFoot);
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("rowcast.err"))));
}

TEST_F(CHtmlTest, AListWithoutColumnsOrRowsGivesAnEmptyHeaderRow) {
  html.setTitle(QStringLiteral("   "));
  ASSERT_TRUE(run(std::make_shared<MemoryList>()));
  const QStringList emptyHeaderRow{"<tr>", "</tr>"};
  EXPECT_EQ(pageLines(), head(QStringLiteral("   ")) + emptyHeaderRow + kFoot);
}

TEST_F(CHtmlTest, MarkupInTitleHeadersAndCellsIsWrittenAsText) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("x"), QStringList{QStringLiteral("<b>\"Q\"</b>")},
      std::vector<QStringList>{{QStringLiteral("</td></tr></table><script>alert('&')</script>"),
                                QStringLiteral("a & b > c")}});
  html.setTitle(QStringLiteral("Tom & Jerry's <shifts>"));
  ASSERT_TRUE(run(list));
  const QStringList lines = pageLines();
  EXPECT_EQ(lines[4], QStringLiteral("<Title>Tom &amp; Jerry's &lt;shifts&gt;"));
  EXPECT_EQ(lines[8], QStringLiteral("Tom &amp; Jerry's &lt;shifts&gt;"));
  EXPECT_EQ(lines[12], QStringLiteral("<td><center>&lt;b&gt;&quot;Q&quot;&lt;/b&gt;</center></td>"));
  EXPECT_EQ(lines[15],
            QStringLiteral("<td>&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;script&gt;alert('&amp;')&lt;/script&gt;</td>"));
  EXPECT_EQ(lines[16], QStringLiteral("<td>a &amp; b &gt; c</td>"));
  EXPECT_FALSE(readFile(path).contains("<script")) << "no markup from the list reaches the page";
}

TEST_F(CHtmlTest, AnExistingFileIsReplacedAndWithoutAListNothingIsTouched) {
  test::writeFile(path, QByteArray(100000, 'x'));
  EXPECT_FALSE(run(nullptr));
  EXPECT_EQ(html.LastErrorMsg(), QStringLiteral("List View Undefined"));
  EXPECT_EQ(readFile(path), QByteArray(100000, 'x'));

  ASSERT_TRUE(run(std::make_shared<MemoryList>(QStringLiteral("L"), QStringList{})));
  EXPECT_FALSE(readFile(path).contains("xxxx"));
  EXPECT_TRUE(readFile(path).startsWith("<!-Created by"));
}

}  // namespace
}  // namespace rowcast
