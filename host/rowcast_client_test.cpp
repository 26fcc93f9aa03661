// The printer binding as a host uses it: Tabulon draws on the host's own
// QPrinter while bound, and on the library's usual target once unbound.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "host/host_test_support.h"
#include "host/rowcast_client.h"
#include "platform/printer/pdf_inspection.h"
#include "rowcast/list/memory_list.h"

namespace host {
namespace {

std::shared_ptr<rowcast::MemoryList> shiftList() {
  return std::make_shared<rowcast::MemoryList>(
      QStringLiteral("lvwShifts"), QStringList{QStringLiteral("Date"), QStringLiteral("Total Pay")},
      std::vector<QStringList>{{QStringLiteral("01/02/2025"), QStringLiteral("90.75")},
                               {QStringLiteral("01/03/2025"), QStringLiteral("123.75")}});
}

TEST(RowcastClient, TabulonPrintsOnTheHostsPrinterWhileItIsBound) {
  RowcastClient rowcast(test::testSession());
  ASSERT_FALSE(rowcast.setList(shiftList()).isFault());

  const QString hostPdf = test::testDir().filePath(QStringLiteral("host-printer.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(hostPdf);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(36, 36, 36, 36)));
  const OutputResult printed = rowcast.printOn(printer, QStringLiteral("Bound Printout"));
  ASSERT_TRUE(printed.succeeded()) << qPrintable(printed.reason());

  // The host's file, on the host's paper, in the orientation the host chose.
  const QStringList pages = platform::test::pdfPages(hostPdf);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QLatin1String("Bound Printout")));
  EXPECT_TRUE(pages[0].contains(QLatin1String("01/03/2025")));
  EXPECT_EQ(platform::test::pdfPageSizes(hostPdf), QStringList{QStringLiteral("842 x 595")});

  // Unbound, the library keeps its own target (ROWCAST_PRINT_TO here).
  const QDateTime hostPdfWritten = QFileInfo(hostPdf).lastModified();
  const QString ownPdf = test::testDir().filePath(QStringLiteral("library-target.pdf"));
  qputenv("ROWCAST_PRINT_TO", QFile::encodeName(ownPdf));
  platform::CreatedObject direct = test::testSession().create(QStringLiteral("Rowcast.CRowcast"));
  ASSERT_TRUE(direct.object);
  std::vector<core::Value> args{core::Value(std::shared_ptr<core::ValueObject>(shiftList()))};
  core::Value result;
  ASSERT_FALSE(platform::callByName(*direct.object, QStringLiteral("lvwToPrint"), platform::CallKind::PropertyPutRef, args,
                                    result).isFault());
  args = {core::Value(int32_t(1))};
  ASSERT_FALSE(ComponentSession::call(*direct.object, QStringLiteral("Tabulon"), args, &result).isFault());
  EXPECT_EQ(result, core::Value(int32_t(0)));
  using EndDocument = int32_t (*)();
  auto end = reinterpret_cast<EndDocument>(dlsym(direct.library, "RowcastEndDocument"));
  ASSERT_TRUE(end);
  EXPECT_EQ(end(), 0);
  EXPECT_EQ(platform::test::pdfPages(ownPdf).size(), 1);
  EXPECT_EQ(QFileInfo(hostPdf).lastModified(), hostPdfWritten) << "the unbound job went to the host's file";
}

}  // namespace
}  // namespace host
