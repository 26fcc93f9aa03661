#include "platform/printer/qt_printer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <csignal>
#include <cmath>

#include "core/fault.h"
#include "platform/printer/host_printer.h"
#include "platform/printer/pdf_inspection.h"

namespace platform {
namespace {

using test::pdfPageSizes;
using test::pdfPages;

class QtPrinterTest : public ::testing::Test {
 protected:
  QString pdf() const { return dir.filePath(QStringLiteral("out.pdf")); }
  QTemporaryDir dir;
};

TEST_F(QtPrinterTest, LetterPagesInTwipsWithTheWidthFollowingTheOrientation) {
  QtPrinter printer(pdf());
  EXPECT_EQ(printer.width(), 12240);
  printer.setOrientation(kLandscape);
  EXPECT_EQ(printer.width(), 15840);
  EXPECT_EQ(printer.orientation(), kLandscape);
  try {
    printer.setOrientation(3);
    ADD_FAILURE() << "orientation 3 was taken";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, kInvalidPropertyValue);
  }
  EXPECT_THROW(printer.setFontSize(-1), core::FaultError);
  EXPECT_EQ(printer.width(), 15840);
}

TEST_F(QtPrinterTest, MeasuresWithTheFontsMetricsAtThePrintersResolution) {
  QtPrinter printer(pdf());
  printer.setFontName(QStringLiteral("Arial"));
  printer.setFontSize(12);
  // The Arial metrics: a line of 12 points is 276 twips, "0" is 0.556 em.
  EXPECT_NEAR(printer.textHeight(QString()), 276, 2);
  EXPECT_NEAR(printer.textWidth(QStringLiteral("0000000000")), 10 * 0.556 * 240, 5);
  const float regular = printer.textWidth(QStringLiteral("Grand Total"));
  printer.setFontBold(true);
  EXPECT_GT(printer.textWidth(QStringLiteral("Grand Total")), regular);
  printer.setFontSize(24);
  printer.setFontBold(false);
  EXPECT_NEAR(printer.textWidth(QStringLiteral("Grand Total")), 2 * regular, regular * 0.02);
  EXPECT_FALSE(QFile::exists(pdf())) << "measuring opens no document";
}

// Far past any page, a long text must still measure as long as it is.
TEST_F(QtPrinterTest, AVeryLongTextMeasuresItsWholeWidth) {
  QtPrinter printer(pdf());
  for (float size : {8.0f, 12.0f, 48.0f}) {
    printer.setFontSize(size);
    printer.setFontBold(true);
    const double one = printer.textWidth(QStringLiteral("0"));
    for (int length : {1000, 600000}) {
      const double width = printer.textWidth(QString(length, QLatin1Char('0')));
      EXPECT_NEAR(width / (one * length), 1.0, 0.01) << size << " points, " << length << " characters";
    }
  }
}

TEST_F(QtPrinterTest, BreaksAPageWhenTheLineWouldRunBelowThePrintableArea) {
  QtPrinter printer(pdf());
  printer.setFontSize(12);
  const float line = printer.textHeight(QString());
  // Quarter-inch margins leave 15120 twips of a Letter page.
  const int fitting = int(std::floor(15120 / line));
  for (int i = 0; i < fitting; ++i) printer.print(QStringLiteral("line %1").arg(i + 1));
  EXPECT_EQ(printer.page(), 1);
  printer.setCurrentX(1440);
  printer.print(QStringLiteral("first of page two"));
  EXPECT_EQ(printer.page(), 2);
  EXPECT_FLOAT_EQ(printer.currentX(), 0);
  EXPECT_FLOAT_EQ(printer.currentY(), line);
  printer.endDocument();

  const QStringList pages = pdfPages(pdf());
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("line %1").arg(fitting)));
  EXPECT_FALSE(pages[0].contains(QStringLiteral("first of page two")));
  EXPECT_TRUE(pages[1].trimmed().startsWith(QStringLiteral("first of page two")));
}

TEST_F(QtPrinterTest, ATurnedPageIsLandscapeAndTakesTextAcrossItsWholeWidth) {
  QtPrinter printer(pdf());
  printer.setFontSize(10);
  printer.print(QStringLiteral("portrait page"));
  printer.setOrientation(kLandscape);
  printer.setCurrentY(20000);  // past the bottom: the next text starts a page
  printer.setCurrentX(14000);  // beyond a portrait page's right edge
  printer.print(QStringLiteral("far right"));
  printer.setDrawWidth(20);
  printer.line(0, 1000, 15000, 1000, qRgb(0, 0, 0));
  printer.endDocument();

  EXPECT_EQ(pdfPageSizes(pdf()), (QStringList{QStringLiteral("612 x 792"), QStringLiteral("792 x 612")}));
  const QStringList pages = pdfPages(pdf());
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[1].contains(QStringLiteral("far right")));
}

TEST_F(QtPrinterTest, EndingTheDocumentWritesItAndTheNextTextStartsANewOneOnPageOne) {
  QtPrinter printer(pdf());
  printer.endDocument();  // nothing open: nothing written
  EXPECT_FALSE(QFile::exists(pdf()));
  printer.setFontSize(12);
  printer.setCurrentY(20000);
  printer.print(QStringLiteral("first document"));
  EXPECT_EQ(printer.page(), 2);
  printer.endDocument();
  EXPECT_EQ(pdfPages(pdf()).size(), 2);
  EXPECT_EQ(printer.page(), 1);
  EXPECT_FLOAT_EQ(printer.currentY(), 0);
  EXPECT_FLOAT_EQ(printer.fontSize(), 12) << "the font outlives the document";

  printer.print(QStringLiteral("second document"));
  printer.endDocument();
  const QStringList pages = pdfPages(pdf());
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("second document")));
}

// A printout's texts repeat; each distinct one is laid out once, and what is
// drawn from the layouts reads and looks as what QPainter draws text by text.
TEST_F(QtPrinterTest, RepeatedTextsAreShapedOnceAndPrintAsTheyDoTextByText) {
  const QStringList cells{QStringLiteral("01/02/25"), QStringLiteral("132.00"), QStringLiteral("Zo\u00eb's 5\u20ac shift"),
                          QStringLiteral("a\ttab"), QStringLiteral("132.00"), QStringLiteral("01/02/25")};
  auto printAll = [&](const QString& path, bool reuse) {
    QtPrinter printer(path);
    printer.setReusesShapedText(reuse);
    printer.setFontSize(10);
    printer.setFontBold(true);
    printer.setFontUnderline(true);
    printer.print(QStringLiteral("Date"));  // a header: drawn on its own, underlined
    printer.setFontUnderline(false);
    printer.print(QStringLiteral("Date"));
    printer.setFontBold(false);
    printer.line(0, 700, 9000, 700, qRgb(0, 0, 0));
    for (int row = 0; row < 70; ++row) {  // over two pages
      printer.print(cells[0]);
      const float top = printer.currentY() - printer.textHeight(cells[0]);  // on the page the row went to
      for (int column = 1; column < cells.size(); ++column) {
        printer.setCurrentY(top);
        printer.setCurrentX(float(column * 1800));
        printer.print(cells[column]);
      }
    }
    printer.endDocument();
    return printer.shapedTexts();
  };
  const QString cached = dir.filePath(QStringLiteral("cached.pdf"));
  const QString each = dir.filePath(QStringLiteral("each.pdf"));
  // "Date" in two fonts, and the three distinct cells; the tab goes to QPainter.
  EXPECT_EQ(printAll(cached, true), 2 + 3);
  EXPECT_EQ(printAll(each, false), 0);

  const QStringList cachedPages = pdfPages(cached);
  ASSERT_EQ(cachedPages.size(), 2);
  EXPECT_EQ(cachedPages, pdfPages(each));
  EXPECT_EQ(cachedPages.join(QString()).count(QStringLiteral("Zo\u00eb's 5\u20ac shift")), 70);
  // The same words at the same places, to a hundredth of a point.
  const std::vector<test::PdfWord> cachedWords = test::pdfWords(cached), eachWords = test::pdfWords(each);
  ASSERT_EQ(cachedWords.size(), eachWords.size());
  for (size_t i = 0; i < cachedWords.size(); ++i) {
    const test::PdfWord &a = cachedWords[i], &b = eachWords[i];
    EXPECT_TRUE(a.text == b.text && a.page == b.page && std::abs(a.xMin - b.xMin) < 0.01 && std::abs(a.yMin - b.yMin) < 0.01 &&
                std::abs(a.xMax - b.xMax) < 0.01)
        << "word " << i << ": " << a.text.toStdString() << " against " << b.text.toStdString();
  }
  // And the pages look the same: a renderer may shade a glyph's edge a
  // little differently, but nothing is missing, added or moved.
  for (const QString& page : {QStringLiteral("1"), QStringLiteral("2")}) {
    const QStringList args{QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-gray"), QStringLiteral("-f"), page,
                           QStringLiteral("-l"), page, QStringLiteral("-singlefile")};
    test::runTool(QStringLiteral("pdftoppm"), args + QStringList{cached, dir.filePath(QStringLiteral("cached"))});
    test::runTool(QStringLiteral("pdftoppm"), args + QStringList{each, dir.filePath(QStringLiteral("each"))});
    const QImage a(dir.filePath(QStringLiteral("cached.pgm"))), b(dir.filePath(QStringLiteral("each.pgm")));
    ASSERT_TRUE(!a.isNull() && a.size() == b.size());
    int farApart = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) farApart += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 96;
    EXPECT_EQ(farApart, 0) << "page " << page.toStdString();
  }
}

// Thrown away on a print preview's printer (a job cancelled while the preview
// is drawn), the pages drawn so far stay the preview's: Qt frees a preview's
// pages on abort yet goes on showing them.
TEST_F(QtPrinterTest, AJobThrownAwayOnAPrintPreviewLeavesItThePagesDrawnSoFar) {
  QPrinter device(QPrinter::HighResolution);
  QPrintPreviewDialog preview(&device);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [](QPrinter* printer) {
    bindHostPrinter(printer);
    QtPrinter onPreview;
    onPreview.setFontSize(12);
    while (onPreview.page() < 3) onPreview.print(QStringLiteral("a row"));
    onPreview.abortDocument();
    bindHostPrinter(nullptr);
  });
  preview.show();
  auto* pages = preview.findChild<QPrintPreviewWidget*>();
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->pageCount(), 3);
  EXPECT_FALSE(preview.grab().isNull());  // paints the pages on show
}

TEST_F(QtPrinterTest, AnUnwritableFileFailsEachTextAndLeavesNoDocumentOpen) {
  QtPrinter printer(dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
  EXPECT_THROW(printer.print(QStringLiteral("lost")), core::FaultError);
  EXPECT_THROW(printer.print(QStringLiteral("lost")), core::FaultError);
  printer.endDocument();
}

// Found when the document begins, before anything is drawn, with the path
// and the reason; the file system is left as it was.
TEST_F(QtPrinterTest, ATargetThatCannotBeWrittenRefusesTheDocumentWithItsReason) {
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  struct Case {
    QString path;
    int32_t number;
    QString reason;
  };
  for (const Case& c : {Case{dir.filePath(QStringLiteral("no/such/folder/out.pdf")), core::kPathNotFound,
                             QStringLiteral("No such file or directory")},
                        Case{QStringLiteral("/dev/full"), core::kPathFileAccessError, QStringLiteral("not a regular file")},
                        Case{fifo, core::kPathFileAccessError, QStringLiteral("not a regular file")},
                        Case{dir.path(), core::kPathFileAccessError, QStringLiteral("Is a directory")}}) {
    SCOPED_TRACE(c.path.toStdString());
    QtPrinter printer(c.path);
    try {
      printer.beginDocument();
      ADD_FAILURE() << "the document began";
    } catch (const core::FaultError& e) {
      EXPECT_EQ(e.fault().number, c.number);
      EXPECT_EQ(e.fault().description, QStringLiteral("Cannot print to %1: %2").arg(c.path, c.reason));
    }
    printer.endDocument();  // nothing open
  }
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
}

// A file system that fills while the document is written: the file would be
// a broken PDF, so it goes and the end says so.
TEST_F(QtPrinterTest, ADocumentThatCannotBeWrittenWholeIsRemovedAndReported) {
  QtPrinter printer(pdf());
  printer.setFontSize(12);
  for (int i = 0; i < 40; ++i) printer.print(QStringLiteral("line %1 of a document that will not fit").arg(i));
  rlimit previous{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  rlimit small = previous;
  small.rlim_cur = 2048;  // the document is several times larger
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool reported = false;
  try {
    printer.endDocument();
  } catch (const core::FaultError& e) {
    reported = true;
    EXPECT_EQ(e.fault().description, QStringLiteral("The printout could not be written to ") + pdf());
  }
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_TRUE(reported);
  EXPECT_FALSE(QFile::exists(pdf())) << QFileInfo(pdf()).size();

  printer.print(QStringLiteral("the next document"));
  printer.endDocument();
  EXPECT_EQ(pdfPages(pdf()).size(), 1) << "the printer recovers";
}

TEST_F(QtPrinterTest, WithoutAPrinterTheFileGoesToTheDocumentsFolderMadeWhenMissing) {
  const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", dir.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
  const QString path = PrintTarget::fallbackPdfPath();
  qputenv("HOME", home);
  config.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", config);
  EXPECT_TRUE(path.startsWith(dir.filePath(QStringLiteral("Documents/Rowcast ")))) << path.toStdString();
  EXPECT_TRUE(path.endsWith(QStringLiteral(".pdf")));
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("Documents"))).isDir());
}

TEST_F(QtPrinterTest, RowcastPrintToNamesTheFileWhenNoPathIsGiven) {
  qputenv("ROWCAST_PRINT_TO", pdf().toUtf8());
  {
    QtPrinter printer;
    printer.print(QStringLiteral("to the named file"));
    EXPECT_EQ(printer.documentPath(), pdf());
  }  // released: the document ends
  qunsetenv("ROWCAST_PRINT_TO");
  const QStringList pages = pdfPages(pdf());
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("to the named file")));
}

// Five pages laid out on a host's QPrinter to PDF, one numbered line on each;
// the dialog's choice of pages and copies decides what reaches the file. A
// PDF file makes no copies itself, so they are drawn again.
TEST_F(QtPrinterTest, OnAHostsPrinterThePagesAndCopiesItsDialogChoseAreDrawn) {
  const struct {
    const char* what;
    QPrinter::PrintRange range;
    int from, to;
    int copies;
    bool collate;
    QStringList pages;
  } cases[] = {
      {"all pages", QPrinter::AllPages, 0, 0, 1, true, {"page 1", "page 2", "page 3", "page 4", "page 5"}},
      {"pages 2 to 2", QPrinter::PageRange, 2, 2, 1, true, {"page 2"}},
      {"pages 2 to 4", QPrinter::PageRange, 2, 4, 1, true, {"page 2", "page 3", "page 4"}},
      {"current page", QPrinter::CurrentPage, 0, 0, 1, true, {"page 1"}},
      {"2 copies of 4-5, collated", QPrinter::PageRange, 4, 5, 2, true, {"page 4", "page 5", "page 4", "page 5"}},
      {"3 copies of 4-5, uncollated", QPrinter::PageRange, 4, 5, 3, false,
       {"page 4", "page 4", "page 4", "page 5", "page 5", "page 5"}}};
  for (const auto& c : cases) {
    QPrinter host(QPrinter::HighResolution);
    host.setOutputFormat(QPrinter::PdfFormat);
    host.setOutputFileName(pdf());
    host.setPrintRange(c.range);
    if (c.from > 0) host.setFromTo(c.from, c.to);
    host.setCopyCount(c.copies);
    host.setCollateCopies(c.collate);
    bindHostPrinter(&host);
    {
      QtPrinter printer;
      printer.setFontSize(12);
      for (int page = 1; page <= 5; ++page) {
        while (printer.page() < page) printer.print(QString());
        if (page == 5) printer.setOrientation(kLandscape);  // for the pages to come: none
        printer.print(QStringLiteral("page %1").arg(page));
      }
      EXPECT_EQ(printer.page(), 5) << c.what << ": every page laid out";
      printer.endDocument();
    }
    bindHostPrinter(nullptr);
    const QStringList sizes = pdfPageSizes(pdf());
    EXPECT_EQ(sizes.size(), c.pages.size()) << c.what;
    EXPECT_EQ(sizes.count(sizes.value(0)), sizes.size()) << c.what << ": each copy keeps its page's orientation";
    QStringList texts;
    for (const QString& page : pdfPages(pdf())) texts.append(page.trimmed());
    EXPECT_EQ(texts, c.pages) << c.what;
  }
}

}  // namespace
}  // namespace platform
