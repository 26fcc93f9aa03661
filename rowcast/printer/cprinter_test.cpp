#include "rowcast/printer/cprinter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/progress_window.h"
#include "rowcast/output/test_files.h"
#include "rowcast/printer/print_job_test_support.h"

namespace rowcast {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;
using test::listOfWidths;
using test::PrintJob;

const QString kRotateText = QStringLiteral(
    "The output that you have defined is currently wider than the page.  Would you like to rotate the output?");
const QString kOverflowText = QStringLiteral("Unable to fit output to the page even after rotating.  Please Adjust");

// The x of every cell of the list's one row, as printed.
QList<float> cellLefts(const PrintJob& job) {
  QList<float> lefts;
  for (const auto& p : job.printer.printed)
    if (p.text.startsWith(u'x')) lefts.append(p.x);
  return lefts;
}

void expectRotateQuestion(const platform::MessageBoxRequest& box) {
  EXPECT_EQ(box.text, kRotateText);
  EXPECT_EQ(box.title, QStringLiteral("Output to Wide"));
  EXPECT_EQ(box.buttons, MsgButtons::YesNo);
  EXPECT_EQ(box.icon, MsgIcon::Question);
}

TEST(CPrinter, WithoutAListNothingIsPrintedOrAsked) {
  PrintJob job(nullptr);
  EXPECT_FALSE(job.output.Rowcast());
  EXPECT_EQ(job.output.LastErrorMsg(), QStringLiteral("List View Not Defined"));
  EXPECT_TRUE(job.printer.calls.isEmpty());
  EXPECT_TRUE(job.ui.boxes.isEmpty());
}

TEST(CPrinter, ATableThatFitsInPortraitIsPrintedWithoutAQuestionAndSpread) {
  PrintJob job(listOfWidths({10, 10, 10, 10, 20, 20, 20}), 1, 10);
  EXPECT_TRUE(job.output.Rowcast());
  EXPECT_TRUE(job.ui.boxes.isEmpty());
  EXPECT_EQ(job.printer.calls.first(), QStringLiteral("FontName=Arial"));
  EXPECT_EQ(job.printer.calls[1], QStringLiteral("Orientation=1"));
  EXPECT_EQ(cellLefts(job), (QList<float>{0, 1167, 2334, 3501, 4668, 6835, 9002}));
  EXPECT_FLOAT_EQ(job.printer.printed.last().size, 10);
  EXPECT_EQ(job.output.LastErrorMsg(), QString());
}

TEST(CPrinter, AnsweringYesTurnsThePageAndPrintsWithoutSpreading) {
  PrintJob job(listOfWidths({125, 125}));  // 12500 at 5 points: no portrait size fits
  job.ui.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(job.output.Rowcast());
  ASSERT_EQ(job.ui.boxes.size(), 1);
  expectRotateQuestion(job.ui.boxes[0]);
  EXPECT_EQ(job.printer.orientation(), platform::kLandscape);
  // 12600 twips at 5 points on a 15840-twip page (at 6 the table would take
  // the page allowance); no spare width added.
  EXPECT_EQ(cellLefts(job), (QList<float>{0, 6300}));
  EXPECT_FLOAT_EQ(job.printer.printed.last().size, 5);
}

TEST(CPrinter, ATableTooWideEvenTurnedIsRefusedWithAnEmptyMessage) {
  PrintJob job(listOfWidths({160, 160}), 1, 10);  // 16000 at 5 points
  job.ui.answers = {MsgAnswer::Yes};
  EXPECT_FALSE(job.output.Rowcast());
  ASSERT_EQ(job.ui.boxes.size(), 2);
  expectRotateQuestion(job.ui.boxes[0]);
  EXPECT_EQ(job.ui.boxes[1].text, kOverflowText);
  EXPECT_EQ(job.ui.boxes[1].title, QStringLiteral("Output Overflow"));
  EXPECT_EQ(job.ui.boxes[1].buttons, MsgButtons::Ok);
  EXPECT_EQ(job.ui.boxes[1].icon, MsgIcon::Critical);
  EXPECT_EQ(job.output.LastErrorMsg(), QString());
  EXPECT_TRUE(job.printer.printed.isEmpty());
  EXPECT_TRUE(job.printer.lines.isEmpty());
}

TEST(CPrinter, AnsweringNoPrintsInPortraitAtFivePointsWithTheFivePointWidths) {
  PrintJob job(listOfWidths({125, 125}));
  job.ui.answers = {MsgAnswer::No};
  EXPECT_TRUE(job.output.Rowcast());
  EXPECT_EQ(job.ui.boxes.size(), 1);
  EXPECT_EQ(job.printer.orientation(), platform::kPortrait);
  EXPECT_EQ(cellLefts(job), (QList<float>{0, 6300}));
  EXPECT_FLOAT_EQ(job.printer.printed.last().size, 5);
}

TEST(CPrinter, ALandscapeTableThatFitsNowhereIsPrintedAtFivePointsUnasked) {
  PrintJob job(listOfWidths({160, 160}), 2, 10);
  EXPECT_TRUE(job.output.Rowcast());
  EXPECT_TRUE(job.ui.boxes.isEmpty());
  EXPECT_EQ(job.printer.textWidthCalls, 6 * 3 + 1 + 1)
      << "every size from 10 down to 5 (the blank and two texts), the header at its own 10 points for size 9, then "
         "the title";
  EXPECT_EQ(cellLefts(job), (QList<float>{0, 8050}));
  EXPECT_FLOAT_EQ(job.printer.printed.last().size, 5);
}

TEST(CPrinter, ASizeBelowFiveAsksAtOnceAndPrintsAtFiveWithEveryColumnPlaced) {
  PrintJob no(listOfWidths({10, 20, 30}), 1, 4);
  no.ui.answers = {MsgAnswer::No};
  EXPECT_TRUE(no.output.Rowcast());
  ASSERT_EQ(no.ui.boxes.size(), 1);
  expectRotateQuestion(no.ui.boxes[0]);
  EXPECT_EQ(cellLefts(no), (QList<float>{0, 550, 1600}));
  EXPECT_FLOAT_EQ(no.printer.printed.last().size, 5);

  PrintJob yes(listOfWidths({10, 20, 30}), 1, 4);
  yes.ui.answers = {MsgAnswer::Yes};
  EXPECT_FALSE(yes.output.Rowcast());
  EXPECT_EQ(yes.ui.boxes.size(), 2);
  EXPECT_EQ(yes.printer.textWidthCalls, 0);
  EXPECT_TRUE(yes.printer.printed.isEmpty());

  PrintJob landscape(listOfWidths({10, 20, 30}), 2, 4);
  EXPECT_TRUE(landscape.output.Rowcast());
  EXPECT_TRUE(landscape.ui.boxes.isEmpty());
  EXPECT_EQ(cellLefts(landscape), (QList<float>{0, 550, 1600}));
}

TEST(CPrinter, ASizeWiderThanSixteenBitsIsTooWideAndTheSearchGoesOn) {
  struct Case {
    const char* what;
    QList<int> lengths;
    int16_t orientation, size;
    QList<float> lefts;
    float printedSize;
  };
  const Case cases[] = {
      // 48240 twips at 12 points, 20100 at 5: fits nowhere, printed at 5.
      {"landscape, too wide everywhere", {200, 200}, 2, 12, {0, 10050}, 5},
      // Past 16 bits even at 5 points: every column still gets its place.
      {"landscape, a column past 16 bits", {3300, 4}, 2, 12, {0, 165050}, 5},
      // 36600 twips at 30 points; 12200 at 10 would take the page allowance,
      // 10980 at 9 fits, spread by (12240 - 1068 - 10980) / 2.
      {"portrait, asked at 30", {60, 60}, 1, 30, {0, 5490 + 96}, 9},
  };
  for (const Case& c : cases) {
    PrintJob job(listOfWidths(c.lengths), c.orientation, c.size);
    EXPECT_TRUE(job.output.Rowcast()) << c.what;
    EXPECT_TRUE(job.ui.boxes.isEmpty()) << c.what;
    EXPECT_EQ(cellLefts(job), c.lefts) << c.what;
    ASSERT_FALSE(job.printer.printed.isEmpty()) << c.what;
    EXPECT_FLOAT_EQ(job.printer.printed.last().size, c.printedSize) << c.what;
  }
}

TEST(CPrinter, AnEmptyTitleBecomesTheListNameAndBlanksStay) {
  PrintJob named(listOfWidths({5}, QStringLiteral("lvwShifts")));
  ASSERT_TRUE(named.output.Rowcast());
  EXPECT_EQ(named.printer.printed.first().text, QStringLiteral("lvwShifts Output"));

  PrintJob blank(listOfWidths({5}, QStringLiteral("lvwShifts")));
  blank.output.setTitle(QStringLiteral("  "));
  ASSERT_TRUE(blank.output.Rowcast());
  EXPECT_EQ(blank.printer.printed.first().text, QStringLiteral("  "));
}

TEST(CPrinter, FailingStepsAreSkippedAndTheJobStillSucceedsUnlogged) {
  // An orientation the printer refuses: the page stays portrait.
  PrintJob refused(listOfWidths({5, 6}), 0);
  refused.printer.refusedTexts.insert(QStringLiteral("xxxxx"));
  EXPECT_TRUE(refused.output.Rowcast());
  EXPECT_EQ(refused.printer.orientation(), platform::kPortrait);
  EXPECT_TRUE(refused.find(QStringLiteral("xxxxx")).isEmpty());
  EXPECT_EQ(refused.find(QStringLiteral("xxxxxx")).size(), 1) << "the rest of the row is printed";
  EXPECT_EQ(refused.printer.printed.last().text, QStringLiteral("Profile Name: "));

  EXPECT_EQ(refused.output.LastErrorMsg(), QString());
  EXPECT_TRUE(QDir(refused.logDir.path()).isEmpty()) << "skipped steps are not logged";
}

// A list that breaks off while it is read is the job's fault, not a table
// too wide: no question, nothing drawn, its own text, logged once.
TEST(CPrinter, AListThatCannotBeReadRefusesTheJobWithItsOwnFault) {
  auto broken = std::make_shared<test::FailingList>(
      std::vector<QStringList>{{QStringLiteral("one"), QStringLiteral("1")},
                               {QStringLiteral("two"), QStringLiteral("2")},
                               {QStringLiteral("three"), QStringLiteral("3")}},
      1);
  PrintJob job(broken);
  EXPECT_FALSE(job.output.Rowcast());
  EXPECT_TRUE(job.ui.boxes.isEmpty());
  EXPECT_TRUE(job.printer.printed.isEmpty());
  EXPECT_EQ(job.output.LastErrorMsg(), core::Fault::standardDescription(core::kDeviceIoError));
  EXPECT_EQ(test::logLines(job.logDir.path()).size(), 4);
}

// After the rotate question turned the page, so the document starts in the
// orientation it prints in; nothing is drawn on a refused one.
TEST(CPrinter, APrinterThatCannotOpenItsDocumentRefusesTheJobWithItsReasonLoggedOnce) {
  PrintJob job(listOfWidths({125, 125}));  // fits only on a turned page
  job.ui.answers = {MsgAnswer::Yes};
  job.printer.refusedDocument = QStringLiteral("Cannot print to /nowhere/out.pdf: No such file or directory");
  EXPECT_FALSE(job.output.Rowcast());
  EXPECT_EQ(job.output.LastErrorMsg(), job.printer.refusedDocument);
  EXPECT_GT(job.printer.calls.indexOf(QStringLiteral("StartDoc")), job.printer.calls.indexOf(QStringLiteral("Orientation=2")));
  EXPECT_TRUE(job.printer.printed.isEmpty());
  EXPECT_TRUE(job.printer.lines.isEmpty());
  const QList<QByteArray> log = test::logLines(job.logDir.path());
  ASSERT_EQ(log.size(), 4);
  EXPECT_EQ(log[1], "=====Error Number = 57");
  EXPECT_EQ(log[2], "=====Error Desc = " + job.printer.refusedDocument.toUtf8());
}

// A long job tells its progress: each size tried, then each page, and it
// keeps the window alive after every item read and every row printed.
// Cancelled at any of these, it draws nothing more, throws its document
// away and says so, unlogged.
TEST(CPrinter, ALongJobReportsItsProgressAndStopsWhenCancelled) {
  std::vector<QStringList> rows(100, QStringList{QStringLiteral("01/02/24"), QStringLiteral("8.50")});
  const auto list = std::make_shared<MemoryList>(QStringLiteral("Shifts"), QStringList{QStringLiteral("Date"), QStringLiteral("Hours")}, rows);
  const struct {
    int cancelAtReport, cancelAtKeepAlive;
    QStringList reports;
    int rowsPrinted;
    bool aborted;  // a document had begun and was thrown away
  } cases[] = {
      {0, 0, {"Fitting the list to the page at 12 points", "Printing page 1", "Printing page 2", "Printing page 3"}, 100, false},
      {1, 0, {"Fitting the list to the page at 12 points"}, 0, false},
      {3, 0, {"Fitting the list to the page at 12 points", "Printing page 1", "Printing page 2"}, -1, true},
      {0, 40, {}, 0, false},  // while the list is read: nothing tried, nothing begun
      {0, 100 + 30, {"Fitting the list to the page at 12 points", "Printing page 1"}, 30, true}};
  for (const auto& c : cases) {
    const std::string what = "report " + std::to_string(c.cancelAtReport) + ", keep-alive " + std::to_string(c.cancelAtKeepAlive);
    PrintJob job(list);
    job.ui.cancelAtReport = c.cancelAtReport;
    job.ui.cancelAtKeepAlive = c.cancelAtKeepAlive;
    const bool done = c.cancelAtReport == 0 && c.cancelAtKeepAlive == 0;
    EXPECT_EQ(job.output.Rowcast(), done) << what;
    EXPECT_EQ(job.ui.progressReports, c.reports) << what;
    if (c.rowsPrinted >= 0) EXPECT_EQ(job.find(QStringLiteral("8.50")).size(), c.rowsPrinted) << what;
    if (done) EXPECT_EQ(job.ui.keepAlives, 100 + 100) << "each item read, each row printed";
    EXPECT_EQ(job.find(QStringLiteral("Grand Total: ")).size(), done ? 1 : 0) << what;
    EXPECT_EQ(job.printer.documentsAborted, c.aborted ? 1 : 0) << what;
    EXPECT_EQ(job.output.LastErrorMsg(), done ? QString() : QStringLiteral("Printing cancelled")) << what;
    EXPECT_TRUE(QDir(job.logDir.path()).isEmpty()) << "a cancel is no error";
  }
}

// The Qt window itself (offscreen, shown at once here): it says what the
// job is at as it gets there, and its Cancel button ends the job.
// The Qt progress window, shown at once and letting events run at every call.
class WindowUi : public platform::FakeUi {
  std::unique_ptr<platform::Progress> startProgress(const platform::ProgressRequest& request) override {
    return std::make_unique<platform::ProgressWindow>(request, platform::ProgressWindow::Timing{0, 0});
  }
};

TEST(CPrinter, TheProgressWindowFollowsTheJobAndItsCancelButtonEndsIt) {
  auto visibleWindow = [] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    return static_cast<QProgressDialog*>(nullptr);
  };
  std::vector<QStringList> rows(200, QStringList{QStringLiteral("01/02/24"), QStringLiteral("8.50")});
  QTemporaryDir logDir;
  platform::RecordingPrinter printer;
  WindowUi ui;
  CPrinter output(logDir.path(), printer, ui);
  output.setLvwToPrint(std::make_shared<MemoryList>(QStringLiteral("Shifts"), QStringList{QStringLiteral("Date")}, rows));
  output.setFontSize(12);

  QStringList seen;  // the window's texts, in turn
  QTimer watcher;    // runs whenever the job lets events run
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    QProgressDialog* window = visibleWindow();
    if (!window) return;
    if (seen.isEmpty() || seen.last() != window->labelText()) seen.append(window->labelText());
    if (window->labelText() == QLatin1String("Printing page 3")) window->findChild<QPushButton*>()->click();
  });
  watcher.start(0);
  EXPECT_FALSE(output.Rowcast());
  EXPECT_EQ(output.LastErrorMsg(), QStringLiteral("Printing cancelled"));
  EXPECT_EQ(seen, QStringList({"Fitting the list to the page", "Fitting the list to the page at 12 points", "Printing page 1",
                               "Printing page 2", "Printing page 3"}));
  EXPECT_EQ(printer.documentsAborted, 1);
  EXPECT_EQ(visibleWindow(), nullptr) << "the window goes with the job";
}

}  // namespace
}  // namespace rowcast
