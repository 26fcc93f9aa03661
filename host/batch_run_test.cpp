// Batch mode end to end: wagewise-demo run on the sample profiles, with a
// store of its own in a temporary folder, as a script would run it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "coravel/graph/graph_design.h"
#include "core/twips.h"
#include "host/batch_run.h"
#include "host/host_test_support.h"
#include "platform/printer/pdf_inspection.h"

namespace host {
namespace {

struct DemoRun {
  int status = -1;
  QString out, err;
};

DemoRun runDemo(const QTemporaryDir& dir, const QStringList& args) {
  QProcess demo;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("WAGEWISE_REGISTRY"), dir.filePath(QStringLiteral("registry.sqlite3")));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
  env.insert(QStringLiteral("HOME"), dir.path());
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // batch mode runs headless by itself
  demo.setProcessEnvironment(env);
  demo.start(QStringLiteral(WW_DEMO_BINARY), args);
  DemoRun run;
  if (!demo.waitForFinished(120000)) return run;
  run.status = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
  run.out = QString::fromUtf8(demo.readAllStandardOutput());
  run.err = QString::fromUtf8(demo.readAllStandardError());
  return run;
}

TEST(BatchMode, WritesTheListThePrintoutAndThePicturesOfTheSamples) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out"));
  const DemoRun run = runDemo(dir, {QStringLiteral("--batch"), out, QStringLiteral("--profiles"), QStringLiteral(WW_SAMPLE_PROFILES)});
  ASSERT_EQ(run.status, 0) << qPrintable(run.err);

  // Each path written is printed, then the summary.
  const QStringList lines = run.out.trimmed().split(QLatin1Char('\n'));
  const std::vector<QStringList> records = test::sampleRecords();
  for (const char* name : {"list.csv", "list.html", "list.pdf", "frmGraph.png", "frmHolidays.png", "frmSick.png",
                           "frmVacations.png", "frmAbout.png"}) {
    const QString path = QDir(out).filePath(QLatin1String(name));
    EXPECT_TRUE(lines.contains(path)) << name;
    EXPECT_GT(QFileInfo(path).size(), 0) << name;
  }
  qint64 cents = 0;
  for (const QStringList& record : records) cents += qRound64(QString(record[8]).remove(QLatin1Char('$')).toDouble() * 100);
  EXPECT_EQ(lines.last(), QStringLiteral("%1 rows from 3 files, year 2025, Y-T-D %2")
                              .arg(records.size())
                              .arg(QLocale(QLocale::English, QLocale::UnitedStates).toCurrencyString(cents / 100.0)));

  // The CSV holds every sample record, each cell quoted.
  QFile csv(QDir(out).filePath(QStringLiteral("list.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  QStringList csvLines = QString::fromLatin1(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  QStringList expected;
  for (const QStringList& record : records) expected << QLatin1Char('"') + record.join(QStringLiteral("\",\"")) + QLatin1Char('"');
  csvLines.sort();
  expected.sort();
  EXPECT_EQ(csvLines, expected);

  QFile html(QDir(out).filePath(QStringLiteral("list.html")));
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  EXPECT_TRUE(html.readAll().contains("Wagewise Shifts 2025"));

  // The printout: the title, the header line on every page of rows, the grand total.
  const QStringList pages = platform::test::pdfPages(QDir(out).filePath(QStringLiteral("list.pdf")));
  ASSERT_GE(pages.size(), 2);
  EXPECT_TRUE(pages[0].contains(QLatin1String("Wagewise Shifts 2025")));
  static const QRegularExpression row(QStringLiteral("\\d\\d/\\d\\d/\\d{4}"));
  static const QRegularExpression header(QStringLiteral("Date +Start +Finish +Worked +Regular +Overtime +Regular Pay"));
  int pagesOfRows = 0;
  for (const QString& page : pages) {
    if (!page.contains(row)) continue;
    ++pagesOfRows;
    EXPECT_TRUE(page.contains(header)) << qPrintable(page.left(400));
  }
  EXPECT_GE(pagesOfRows, pages.size() - 1);
  EXPECT_TRUE(pages.last().contains(QLatin1String("Grand Total: ")));
  for (const QString& size : platform::test::pdfPageSizes(QDir(out).filePath(QStringLiteral("list.pdf"))))
    EXPECT_EQ(size, QStringLiteral("792 x 612")) << "Letter, landscape";

  // The graph window pictured at its own size.
  const QImage graph(QDir(out).filePath(QStringLiteral("frmGraph.png")));
  EXPECT_EQ(graph.size(), QSize(core::twipsToPixels(coravel::graph_design::kClientWidth),
                                 core::twipsToPixels(coravel::graph_design::kClientHeight)));
}

TEST(BatchMode, AListPastThePrintedBoundIsWrittenButNotPrinted) {
  QTemporaryDir dir;
  const QString profiles = dir.filePath(QStringLiteral("profiles"));
  QDir().mkpath(profiles);
  {
    QFile huge(profiles + QStringLiteral("/huge.dat"));  // one row more than is printed, of empty cells
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.write(QByteArray(",,,,,,,,,,,,\n").repeated(kBatchMaxPrintedRows + 1)) > 0);
  }
  const QString out = dir.filePath(QStringLiteral("out"));
  const DemoRun run = runDemo(dir, {QStringLiteral("--batch"), out, QStringLiteral("--profiles"), profiles});
  EXPECT_EQ(run.status, kBatchSomeFailed) << qPrintable(run.err);
  EXPECT_TRUE(run.err.contains(QLatin1String("list.pdf failed: 1,000,001 rows are more than the 1,000,000 the batch prints")))
      << qPrintable(run.err);
  EXPECT_FALSE(QFileInfo::exists(QDir(out).filePath(QStringLiteral("list.pdf"))));
  for (const char* name : {"list.csv", "list.html", "frmGraph.png"})
    EXPECT_GT(QFileInfo(QDir(out).filePath(QLatin1String(name))).size(), 0) << name;
}

TEST(BatchMode, WithoutProfilesSaysSoAndFails) {
  QTemporaryDir dir;
  QDir().mkpath(dir.filePath(QStringLiteral("empty")));
  const DemoRun run = runDemo(dir, {QStringLiteral("--batch"), dir.filePath(QStringLiteral("out")), QStringLiteral("--profiles"),
                                dir.filePath(QStringLiteral("empty"))});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QLatin1String("no job profiles"))) << qPrintable(run.err);
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out/list.csv"))));
}

}  // namespace
}  // namespace host
