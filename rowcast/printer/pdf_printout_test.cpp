// End to end: a printout on the Qt printer, read back from the PDF file.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/printer/pdf_inspection.h"
#include "platform/printer/qt_printer.h"
#include "platform/ui/fake_ui.h"
#include "rowcast/list/memory_list.h"
#include "rowcast/printer/cprinter.h"

namespace rowcast {
namespace {

TEST(PdfPrintout, AThreePageListHasItsTitleOnceHeadersOnEveryPageAndTotalsAtTheEnd) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("lvwShifts"), QStringList{"Date", "Job", "Shift", "Hours", "Rate", "Tips", "Gross"});
  for (int row = 0; row < 130; ++row)
    list->addRow({QStringLiteral("2024-03-%1").arg(row % 28 + 1, 2, 10, QLatin1Char('0')), "Cook", "Day", "8",
                  "12.50", "1.5", "$100.00"});
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("shifts.pdf"));
  platform::QtPrinter printer(pdf);
  platform::FakeUi ui;
  CPrinter output(dir.path(), printer, ui);
  output.setLvwToPrint(list);
  output.setOrientation(1);
  output.setFontName(QStringLiteral("Arial"));
  output.setFontSize(12);
  output.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
  ASSERT_TRUE(output.Rowcast());
  EXPECT_TRUE(ui.boxes.isEmpty());
  printer.endDocument();

  const QStringList pages = platform::test::pdfPages(pdf);
  ASSERT_EQ(pages.size(), 3);
  for (int page = 0; page < 3; ++page) {
    EXPECT_EQ(pages[page].contains(QStringLiteral("lvwShifts Output")), page == 0) << page;
    EXPECT_TRUE(pages[page].contains(QRegularExpression(QStringLiteral("Date +Job +Shift +Hours +Rate +Tips +Gross"))))
        << page;
    EXPECT_EQ(pages[page].contains(QStringLiteral("Grand Total:")), page == 2) << page;
    EXPECT_EQ(pages[page].contains(QStringLiteral("Profile Name:")), page == 2) << page;
  }
  // Dates above 11 points print as mm/dd/yy; the totals stand under their
  // columns (the zero totals of columns this list lacks sit over the label).
  EXPECT_TRUE(pages[0].contains(QStringLiteral("03/01/24")));
  EXPECT_TRUE(pages[2].contains(QRegularExpression(QStringLiteral("1,040\\.00 +1,625\\.00 +195\\.00 +\\$13,000\\.00"))))
      << pages[2].toStdString();
}

// A list under `headers` with `rows` rows: the first cell `first` (%1: the
// row's day), the others `cell`.
std::shared_ptr<MemoryList> listOf(const QStringList& headers, int rows, const QString& first, const QString& cell) {
  auto list = std::make_shared<MemoryList>(QStringLiteral("Shape"), headers);
  for (int row = 0; row < rows; ++row) {
    QStringList cells{QString(first).replace(QStringLiteral("%1"), QString::number(row % 28 + 1))};
    while (cells.size() < headers.size()) cells << cell;
    list->addRow(cells);
  }
  return list;
}

QStringList headersOf(int columns, const QString& pattern) {
  QStringList headers;
  for (int column = 1; column <= columns; ++column)
    headers << QString(pattern).replace(QStringLiteral("%1"), QStringLiteral("%1").arg(column, 2, 10, QLatin1Char('0')));
  return headers;
}

// The smallest gap, in points, between neighbouring words of a line of the
// PDF; negative where two overlap.
double smallestGap(const std::vector<platform::test::PdfWord>& words) {
  double smallest = 1e9;
  for (size_t i = 0; i < words.size(); ++i)
    for (size_t j = 0; j < words.size(); ++j) {
      const auto &a = words[i], &b = words[j];
      if (i == j || a.page != b.page || std::abs(a.yMin - b.yMin) > 1 || b.xMin < a.xMin) continue;
      if (b.xMin == a.xMin && j < i) continue;
      smallest = std::min(smallest, b.xMin - a.xMax);
    }
  return smallest;
}

// Lists of other shapes than the sample, printed with real fonts and read
// back word by word: no text runs into another, no header is glued to the
// next, and the foot shares the last page with rows or headers.
TEST(PdfPrintout, ListsOfEveryShapePrintWithAGapBetweenAllTheirWords) {
  const struct {
    const char* what;
    std::shared_ptr<MemoryList> list;
    int16_t orientation;
    int16_t size;
  } cases[] = {
      {"three short columns", listOf(headersOf(3, QStringLiteral("Header%1")), 5, QStringLiteral("a"), QStringLiteral("b")),
       1, 12},
      {"forty narrow columns", listOf(QStringList(40, QStringLiteral("C")), 3, QStringLiteral("1"), QStringLiteral("1")),
       2, 12},
      // Fits at 13 points, where "1/2/24" prints as the wider "01/02/24".
      {"nine columns of dates", listOf(headersOf(9, QStringLiteral("C")), 30, QStringLiteral("1/%1/24"),
                                       QStringLiteral("1,234.50")),
       1, 14},
      {"the host's thirteen columns, 150 rows",
       listOf(headersOf(13, QStringLiteral("Header%1")), 150, QStringLiteral("1/%1/24"), QStringLiteral("12.50")), 1, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("shape.pdf"));
    platform::QtPrinter printer(pdf);
    platform::FakeUi ui;
    CPrinter output(dir.path(), printer, ui);
    output.setLvwToPrint(c.list);
    output.setOrientation(c.orientation);
    output.setFontName(QStringLiteral("Arial"));
    output.setFontSize(c.size);
    output.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(output.Rowcast());
    printer.endDocument();

    const std::vector<platform::test::PdfWord> words = platform::test::pdfWords(pdf);
    ASSERT_FALSE(words.empty());
    const double gap = smallestGap(words);
    std::printf("%s: smallest gap between words %.2f pt\n", c.what, gap);
    EXPECT_GT(gap, 1.0);
    static const QRegularExpression glued(QStringLiteral("Header\\d\\d.|Total:."));
    int lastPage = 0, footPage = -1, headersOnFootPage = 0;
    for (const auto& word : words) {
      EXPECT_FALSE(glued.match(word.text).hasMatch()) << word.text.toStdString();
      lastPage = std::max(lastPage, word.page);
      if (word.text == QLatin1String("Profile")) footPage = word.page;
    }
    for (const auto& word : words) headersOnFootPage += word.page == footPage && word.text == c.list->columnHeaderText(0);
    EXPECT_EQ(footPage, lastPage);
    EXPECT_GE(headersOnFootPage, 1) << "the foot shares its page with the header line";
  }
}

// Hosts that load the library at run time end each job's document through
// this entry point; without it the document would wait for the process to end.
TEST(PdfPrintout, RowcastEndDocumentHandsTheProcessPrintersDocumentOver) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("job.pdf"));
  qputenv("ROWCAST_PRINT_TO", pdf.toUtf8());
  platform::FakeUi ui;
  CPrinter output(dir.path(), platform::printer(), ui);
  output.setLvwToPrint(std::make_shared<MemoryList>(QStringLiteral("Jobs"), QStringList{QStringLiteral("Job")},
                                                    std::vector<QStringList>{{QStringLiteral("Cook")}}));
  output.setOrientation(1);
  output.setFontSize(12);
  ASSERT_TRUE(output.Rowcast());
  EXPECT_TRUE(platform::test::pdfPageSizes(pdf).isEmpty()) << "the job leaves the document open, unfinished";
  EXPECT_EQ(RowcastEndDocument(), 0);
  qunsetenv("ROWCAST_PRINT_TO");
  const QStringList pages = platform::test::pdfPages(pdf);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("Jobs Output")));
  EXPECT_EQ(RowcastEndDocument(), 0) << "nothing open: nothing to do";
}

}  // namespace
}  // namespace rowcast
