#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "rowcast/export/csv_quoting.h"
#include "rowcast/export/html_escaping.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::readFile;

// Every special or wide character at every position of texts long enough for
// the four-unit path, against the plain definition of each form.
TEST(ExportQuotingTest, EscapingMatchesItsDefinitionAtEveryPosition) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  const QStringList odd{"\"", "&", "<", ">", ",", "\r", "\n", QStringLiteral("\u00e9"), QStringLiteral("\u20ac"),
                       QStringLiteral("\U0001F600")};
  QByteArray expected;
  {
    OutputFile file(path);
    for (int length = 0; length <= 11; ++length) {
      for (int at = 0; at < length; ++at) {
        for (const QString& c : odd) {
          QString text = QStringLiteral("abcdefghijk").left(length);
          text.replace(at, 1, c);
          QString csv = text, html = text;
          csv.replace(QLatin1Char('"'), QLatin1String("\"\""));
          html.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('<'), QLatin1String("&lt;"))
              .replace(QLatin1Char('>'), QLatin1String("&gt;")).replace(QLatin1Char('"'), QLatin1String("&quot;"));
          appendCsvCell(file, text, true);
          appendHtmlEscaped(file, text);
          file.appendText(text);
          file.endLine();
          expected += "\"" + csv.toUtf8() + "\"" + html.toUtf8() + text.toUtf8() + "\r\n";
        }
      }
    }
    file.close();
  }
  EXPECT_EQ(readFile(path), expected);
}

}  // namespace
}  // namespace rowcast
