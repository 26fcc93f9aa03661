#include "rowcast/front/crowcast.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/component/object_host.h"
#include "platform/printer/pdf_inspection.h"
#include "platform/printer/printer.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using core::Value;
using test::logLines;
using test::readFile;

std::shared_ptr<MemoryList> shifts() {
  return std::make_shared<MemoryList>(QStringLiteral("Shifts"),
                                      QStringList{QStringLiteral("Date"), QStringLiteral("Hours")},
                                      std::vector<QStringList>{{QStringLiteral("01/02/24"), QStringLiteral("8")}});
}

class CRowcastTest : public ::testing::Test {
 protected:
  QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QTemporaryDir dir;
  CRowcast rowcast{dir.path()};
};

TEST_F(CRowcastTest, RequestsItCannotServeGiveOneAndTheirMessage) {
  EXPECT_EQ(rowcast.LastErrorMsg(), QString());
  EXPECT_EQ(rowcast.ExportListView(7, file("x.csv")), 1);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("List View Not Defined")) << "the list is checked first";
  EXPECT_EQ(rowcast.Tabulon(iPortrait), 1);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("List View Undefined"));

  rowcast.setLvwToPrint(shifts());
  for (int32_t type : {0, 4, -1}) {
    EXPECT_EQ(rowcast.ExportListView(type, file("x.csv")), 1);
    EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("Incorrect type of print job was specified."));
  }
  EXPECT_FALSE(QFile::exists(file("x.csv")));
  EXPECT_TRUE(logLines(dir.path()).isEmpty()) << "refused requests are not faults";
}

// Print jobs go to the process's printer, here a PDF file in the test folder.
TEST_F(CRowcastTest, PrintJobsReachThePrinterAndStayInOneOpenDocument) {
  qputenv("ROWCAST_PRINT_TO", file("printed.pdf").toUtf8());
  rowcast.setLvwToPrint(shifts());
  EXPECT_EQ(rowcast.ExportListView(ePrinter), 0);
  EXPECT_EQ(rowcast.Tabulon(iPortrait, QStringLiteral("Arial"), QStringLiteral("Second job")), 0);
  platform::endPrinterDocument();
  qunsetenv("ROWCAST_PRINT_TO");

  const QStringList pages = platform::test::pdfPages(file("printed.pdf"));
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("Shifts Output")));
  EXPECT_TRUE(pages[0].contains(QStringLiteral("Second job")));
  EXPECT_EQ(pages[0].count(QStringLiteral("Profile Name:")), 2);
  EXPECT_EQ(rowcast.LastErrorMsg(), QString());
  EXPECT_TRUE(logLines(dir.path()).isEmpty());
}

TEST_F(CRowcastTest, APrintJobWhoseFileCannotBeWrittenIsRefusedAndLoggedOnce) {
  const QString pdf = file("no/such/folder/printed.pdf");
  qputenv("ROWCAST_PRINT_TO", pdf.toUtf8());
  rowcast.setLvwToPrint(shifts());
  const int16_t printed = rowcast.Tabulon(iPortrait);
  const QString message = rowcast.LastErrorMsg();
  const int16_t exported = rowcast.ExportListView(ePrinter);
  platform::endPrinterDocument();
  qunsetenv("ROWCAST_PRINT_TO");

  EXPECT_EQ(printed, 1);
  EXPECT_EQ(exported, 1);
  EXPECT_EQ(message, QStringLiteral("Cannot print to %1: No such file or directory").arg(pdf));
  const QList<QByteArray> lines = logLines(dir.path());
  ASSERT_EQ(lines.size(), 8) << "one record a job";
  EXPECT_EQ(lines[2], "=====Error Desc = " + message.toUtf8());
}

TEST_F(CRowcastTest, AFileFaultComesBackAsOneWithThePlatformTextAndOneLogRecord) {
  rowcast.setLvwToPrint(shifts());
  EXPECT_EQ(rowcast.ExportListView(eCSV), 1);  // no file name
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("Bad file name or number"));
  EXPECT_EQ(rowcast.ExportListView(eHtml, file("no/such/folder/x.html")), 1);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("Path not found"));

  const QList<QByteArray> lines = logLines(dir.path());
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[1], "=====Error Number = 52");
  EXPECT_EQ(lines[2], "=====Error Desc = Bad file name or number");
  EXPECT_EQ(lines[6], "=====Error Desc = Path not found");
}

TEST_F(CRowcastTest, ASuccessLeavesTheEarlierMessageInPlace) {
  rowcast.setLvwToPrint(shifts());
  ASSERT_EQ(rowcast.ExportListView(eCSV, file("no/such/x.csv")), 1);
  EXPECT_EQ(rowcast.ExportListView(eCSV, file("x.csv")), 0);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("Path not found"));
  EXPECT_EQ(readFile(file("x.csv")), QByteArray("\"01/02/24\",\"8\"\r\n"));

  rowcast.setLvwToPrint(nullptr);
  EXPECT_EQ(rowcast.ExportListView(eHtml, file("y.html")), 1);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("List View Not Defined"));
  EXPECT_FALSE(QFile::exists(file("y.html")));
}

TEST_F(CRowcastTest, AnOrientationBeyondSixteenBitsIsCaughtAndLogged) {
  rowcast.setLvwToPrint(shifts());
  EXPECT_EQ(rowcast.ExportListView(eCSV, file("x.csv"), 70000), 1);
  EXPECT_EQ(rowcast.LastErrorMsg(), QStringLiteral("Overflow"));
  EXPECT_FALSE(QFile::exists(file("x.csv")));
  EXPECT_EQ(rowcast.Tabulon(-40000), 1);
  const QList<QByteArray> lines = logLines(dir.path());
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[1], "=====Error Number = 6");
  EXPECT_EQ(lines[3], "=====Error Source = Rowcast.CRowcast");
}

TEST_F(CRowcastTest, HostsReachEveryMemberByNameWithItsDefaults) {
  QStringList names;
  for (const platform::MemberInfo& m : rowcast.members()) names << m.name;
  EXPECT_EQ(names, (QStringList{"lvwToPrint", "lvwToPrint", "LastErrorMsg", "about", "Tabulon", "ExportListView"}));

  auto list = shifts();
  std::vector<Value> args{Value(std::shared_ptr<core::ValueObject>(list))};
  Value result;
  ASSERT_FALSE(platform::callByName(rowcast, "lvwToPrint", platform::CallKind::PropertyPutRef, args, result).isFault());
  args.clear();
  ASSERT_FALSE(platform::callByName(rowcast, "lvwToPrint", platform::CallKind::PropertyGet, args, result).isFault());
  EXPECT_EQ(result.object().get(), list.get());

  // Only the export type and the file name: the title defaults to the list's name.
  args = {Value(int32_t(eHtml)), Value(file("x.html"))};
  ASSERT_FALSE(platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
  EXPECT_EQ(result, Value(int32_t(0)));
  EXPECT_TRUE(readFile(file("x.html")).contains("<Title>Shifts Output\r\n"));

  // An object that is not a list is refused, and the list held stays.
  args = {Value(std::shared_ptr<core::ValueObject>(std::make_shared<core::ValueObject>()))};
  EXPECT_EQ(platform::callByName(rowcast, "lvwToPrint", platform::CallKind::PropertyPutRef, args, result).number,
            core::kTypeMismatch);
  EXPECT_EQ(rowcast.lvwToPrint().get(), list.get());

  args = {Value(int32_t(eCSV)), Value(QString())};
  ASSERT_FALSE(platform::callByName(rowcast, "ExportListView", platform::CallKind::Method, args, result).isFault());
  EXPECT_EQ(result, Value(int32_t(1)));
  args.clear();
  ASSERT_FALSE(platform::callByName(rowcast, "LastErrorMsg", platform::CallKind::PropertyGet, args, result).isFault());
  EXPECT_EQ(result, Value("Bad file name or number"));
}

}  // namespace
}  // namespace rowcast
