// The fault path that the CSV and HTML writers share: every failure after the
// list check gives false, the platform's text and exactly one log record, and
// leaves no half-written file behind.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "rowcast/export/ccsv.h"
#include "rowcast/export/chtml.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::logLines;
using test::readFile;

struct Writer {
  const char* name;
  std::function<std::unique_ptr<CPrint>(const QString& logFolder)> create;
  const char* source;
  bool countsColumns;  // writes a header row with a 16-bit column counter
};

class FileExportTest : public ::testing::TestWithParam<Writer> {
 protected:
  // Runs the writer; on failure checks the message and the one log record.
  bool run(std::shared_ptr<ListModel> list, const QString& fileName, int expectedFault = 0,
           const char* expectedSource = "Rowcast") {
    std::unique_ptr<CPrint> writer = GetParam().create(dir.path());
    writer->setLvwToPrint(std::move(list));
    writer->setFileName(fileName);
    const bool ok = writer->Rowcast();
    if (expectedFault != 0) {
      EXPECT_EQ(writer->LastErrorMsg(), core::Fault::standardDescription(expectedFault));
      const QList<QByteArray> lines = logLines(dir.path());
      EXPECT_EQ(lines.size(), 4) << "one record for one fault";
      if (lines.size() == 4) {
        EXPECT_EQ(lines[1], "=====Error Number = " + QByteArray::number(expectedFault));
        EXPECT_EQ(lines[2], "=====Error Desc = " + core::Fault::standardDescription(expectedFault).toUtf8());
        EXPECT_EQ(lines[3], QByteArray("=====Error Source = ") + expectedSource);
      }
      QFile::remove(dir.filePath(QStringLiteral("rowcast.err")));
    }
    return ok;
  }
  std::shared_ptr<MemoryList> smallList() {
    return std::make_shared<MemoryList>(QStringLiteral("L"), QStringList{QStringLiteral("A")},
                                        std::vector<QStringList>{{QStringLiteral("a")}});
  }
  QTemporaryDir dir;
};

TEST_P(FileExportTest, BadFileNamesFailWithThePlatformsText) {
  auto list = smallList();
  EXPECT_FALSE(run(list, QString(), core::kBadFileNameOrNumber));
  EXPECT_FALSE(run(list, dir.filePath(QString(256, QLatin1Char('n'))), core::kBadFileNameOrNumber));
  EXPECT_FALSE(run(list, dir.filePath(QStringLiteral("missing/out.txt")), core::kPathNotFound));
  EXPECT_FALSE(run(list, dir.path(), core::kPathFileAccessError));
  const QString unwritable = test::unwritablePath(dir.path());
  if (!unwritable.isEmpty()) {
    EXPECT_FALSE(run(list, unwritable, core::kPathFileAccessError));
  }
}

TEST_P(FileExportTest, AFullDiskIsNeverReportedAsSuccess) {
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  // Room for the log's record, not for either list: the first fails as the
  // file is closed, the second while its lines are written.
  auto small = std::make_shared<MemoryList>(), big = std::make_shared<MemoryList>();
  for (int i = 0; i < 1000; ++i) small->addRow({QStringLiteral("row"), QString::number(i)});
  for (int i = 0; i < 50000; ++i) big->addRow({QStringLiteral("row"), QString::number(i)});
  test::FullFiles full(4096);
  for (const auto& list : {small, big}) {
    test::writeFile(path, "an older export");
    EXPECT_FALSE(run(list, path, core::kDiskFull));
    EXPECT_FALSE(QFile::exists(path)) << "half a list is not left behind";
  }
}

// A list that breaks off midway: its file goes, through a link to it too
// (the link itself stays, as it was the user's).
TEST_P(FileExportTest, AListFailingMidwayLeavesNoFile) {
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  const QString link = dir.filePath(QStringLiteral("link.txt"));
  ASSERT_TRUE(QFile::link(path, link));
  std::vector<QStringList> rows;
  rows.reserve(5000);
  for (int i = 0; i < 5000; ++i) rows.push_back({QStringLiteral("row%1").arg(i), QStringLiteral("sub")});
  for (const QString& target : {path, link}) {
    test::writeFile(path, "an older export");
    EXPECT_FALSE(run(std::make_shared<test::FailingList>(rows, 4000), target, core::kDeviceIoError, "Broken"));
    EXPECT_FALSE(QFile::exists(path)) << target.toStdString();
  }
  EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_P(FileExportTest, TheColumnCounterLimitsColumnsNotTheCellsOfARow) {
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  auto cellsUpTo = [](int count) {
    QStringList cells;
    for (int i = 0; i < count; ++i) cells << QString::number(i);
    return cells;
  };
  // One column, and a data row of 40,000 cells: written whole.
  const QStringList longRow = cellsUpTo(40000);
  EXPECT_TRUE(run(std::make_shared<MemoryList>(QStringLiteral("Long"), QStringList{QStringLiteral("A")},
                                               std::vector<QStringList>{longRow}),
                  path));
  EXPECT_TRUE(readFile(path).contains("39999")) << "the row's last cell";

  for (int columns : {32766, 32767, 40000}) {
    const QStringList cells = cellsUpTo(columns);
    auto list = std::make_shared<MemoryList>(QStringLiteral("Wide"), cells, std::vector<QStringList>{cells});
    if (columns < 32767 || !GetParam().countsColumns) {
      EXPECT_TRUE(run(list, path)) << columns;
    } else {
      // The counter's fault names the writer that raised it.
      EXPECT_FALSE(run(list, path, core::kOverflow, GetParam().source)) << columns;
    }
  }
}

TEST_P(FileExportTest, AFailingLogDoesNotChangeTheResult) {
  std::unique_ptr<CPrint> writer = GetParam().create(dir.filePath(QStringLiteral("no-such-folder")));
  writer->setLvwToPrint(smallList());
  writer->setFileName(QString());
  EXPECT_FALSE(writer->Rowcast());
  EXPECT_EQ(writer->LastErrorMsg(), QStringLiteral("Bad file name or number"));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, FileExportTest,
    ::testing::Values(
        Writer{"Csv", [](const QString& log) { return std::make_unique<CCsv>(log); }, "Rowcast.CCsv", false},
        Writer{"Html", [](const QString& log) { return std::make_unique<CHtml>(log); }, "Rowcast.CHTML", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rowcast
