// The printer against a print system of the test's own (cups_scheduler.h):
// a job goes to the default queue on its paper, and every job the queue
// refuses or loses is a fault with the print system's reason, leaving no
// spool file behind.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <csignal>

#include "core/fault.h"
#include "platform/printer/cups_scheduler.h"
#include "platform/printer/pdf_inspection.h"
#include "platform/printer/qt_printer.h"

QT_BEGIN_NAMESPACE
// Lists of texts in failure messages.
inline void PrintTo(const QStringList& list, std::ostream* os) { *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']'; }
QT_END_NAMESPACE

namespace platform {
namespace {

using test::CupsScheduler;

const QString kQueue = QStringLiteral("WWPDF");

class PrintQueueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scheduler_ = new CupsScheduler;
    failure_ = scheduler_->startWithFileQueue(kQueue, QStringLiteral("Letter"));
  }
  static void TearDownTestSuite() { delete scheduler_; }

  void SetUp() override {
    // A test that cannot reach its print system fails; it never passes quietly.
    ASSERT_TRUE(failure_.isEmpty()) << "the test's print system did not start: " << qPrintable(failure_);
    ASSERT_TRUE(scheduler_->running() || scheduler_->start().isEmpty());
    QFile::remove(output());
    // Spool files go to TMPDIR; each test looks at its own.
    savedTmp_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(spool_.path()));
  }
  void TearDown() override { qputenv("TMPDIR", savedTmp_); }

  static QString output() { return scheduler_->queueOutput(kQueue); }
  QStringList spoolLeft() const { return QDir(spool_.path()).entryList(QDir::Files); }

  // `pages` pages, each saying which it is.
  static void printPages(Printer& printer, int pages) {
    printer.setFontSize(24);
    for (int page = 1; page <= pages; ++page) {
      if (page > 1) {  // an empty line below the page starts the next one
        printer.setCurrentY(1e6f);
        printer.print(QString());
        printer.setCurrentY(0);
      }
      printer.print(QStringLiteral("page %1").arg(page));
    }
  }

  // The pages the queue wrote, by the number printed on them.
  static QStringList pagesReceived() {
    QStringList numbers;
    for (const QString& page : test::pdfPages(output()))
      numbers << page.trimmed().section(QLatin1Char(' '), 1, 1);
    return numbers;
  }

  static CupsScheduler* scheduler_;
  static QString failure_;
  QTemporaryDir spool_;
  QByteArray savedTmp_;
};

CupsScheduler* PrintQueueTest::scheduler_ = nullptr;
QString PrintQueueTest::failure_;

TEST_F(PrintQueueTest, PrintsToTheDefaultQueueOnItsOwnPaper) {
  struct Case {
    const char* paper;
    int32_t width;
    const char* sizeReceived;
  } cases[] = {{"A4", 11900, "595 x 842"}, {"Letter", 12240, "612 x 792"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paper);
    ASSERT_EQ(scheduler_->admin(QStringLiteral("lpadmin"), {QStringLiteral("-p"), kQueue, QStringLiteral("-o"),
                                                            QStringLiteral("PageSize=") + QLatin1String(c.paper)}),
              QString());
    QFile::remove(output());
    QtPrinter printer;
    EXPECT_EQ(printer.width(), c.width);
    printPages(printer, 2);
    printer.endDocument();
    ASSERT_TRUE(scheduler_->waitUntilIdle()) << qPrintable(scheduler_->log());
    EXPECT_EQ(pagesReceived(), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(test::pdfPageSizes(output()), QStringList(2, QLatin1String(c.sizeReceived)));
    EXPECT_TRUE(printer.documentPath().isEmpty());
    EXPECT_EQ(spoolLeft(), QStringList());
  }
}

// Refused before anything is drawn: a queue that rejects jobs, one that no
// longer exists. Nothing reaches the queue and no spool file stays.
TEST_F(PrintQueueTest, AQueueThatTakesNoJobsRefusesTheDocumentWithItsReason) {
  ASSERT_EQ(scheduler_->addFileQueue(QStringLiteral("WWGONE"), QStringLiteral("Letter")), QString());
  struct Case {
    QString queue, command;
    QStringList args;
    QString reason;
  } cases[] = {
      {kQueue, QStringLiteral("cupsreject"), {QStringLiteral("-r"), QStringLiteral("Out of paper"), kQueue},
       QStringLiteral("The printer WWPDF is not accepting jobs: Out of paper")},
      {QStringLiteral("WWGONE"), QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("WWGONE")},
       QStringLiteral("The printer WWGONE does not exist")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason.toStdString());
    ASSERT_EQ(scheduler_->admin(QStringLiteral("lpadmin"), {QStringLiteral("-d"), c.queue}), QString());
    QtPrinter printer;
    printer.width();  // the queue is chosen
    ASSERT_EQ(scheduler_->admin(c.command, c.args), QString());
    try {
      printer.print(QStringLiteral("never printed"));
      ADD_FAILURE() << "the document was opened";
    } catch (const core::FaultError& e) {
      EXPECT_EQ(e.fault().description, c.reason);
      EXPECT_EQ(e.fault().number, core::kDeviceIoError);
    }
    EXPECT_NO_THROW(printer.endDocument()) << "nothing was open";
    EXPECT_EQ(spoolLeft(), QStringList());
  }
  ASSERT_EQ(scheduler_->admin(QStringLiteral("cupsaccept"), {kQueue}), QString());
  ASSERT_EQ(scheduler_->admin(QStringLiteral("lpadmin"), {QStringLiteral("-d"), kQueue}), QString());
  EXPECT_FALSE(QFile::exists(output()));
}

// The hand-over fails: the spool file cannot be written whole (a disk that
// fills up), or the scheduler is gone. Either way the end of the document
// is a fault with its reason, nothing is printed and the spool file is gone.
TEST_F(PrintQueueTest, AFailedHandOverIsAFaultAndLeavesNoSpoolFile) {
  struct Case {
    const char* what;
    bool stopScheduler;
    const char* reason;
  } cases[] = {
      {"spool file cut short", false, "The printout could not be written to the printer WWPDF"},
      {"scheduler gone", true, "The printer WWPDF did not take the printout: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QtPrinter printer;
    printPages(printer, 3);
    EXPECT_EQ(spoolLeft().size(), 1);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 2048;  // the document is several times larger
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (c.stopScheduler) scheduler_->stop();
    else ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
      printer.endDocument();
      ADD_FAILURE() << "the lost job was reported as printed";
    } catch (const core::FaultError& e) {
      EXPECT_TRUE(e.fault().description.startsWith(QLatin1String(c.reason))) << qPrintable(e.fault().description);
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(spoolLeft(), QStringList());
    EXPECT_TRUE(c.stopScheduler || scheduler_->waitUntilIdle());
    EXPECT_FALSE(QFile::exists(output()));
  }
  ASSERT_EQ(scheduler_->start(), QString());
}

}  // namespace
}  // namespace platform
