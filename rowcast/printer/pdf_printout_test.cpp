// End to end: a printout on the Qt printer, read back from the PDF file.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

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
