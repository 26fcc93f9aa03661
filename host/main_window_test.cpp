// The demo host's window, headless: a folder opened fills the list and is
// stored as AppPath; exports write their files or show LastErrorMsg; the
// print preview holds the pages that are printed.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTableView>
#include <QtTest/QTest>

#include "host/host_dialogs.h"
#include "host/host_test_support.h"
#include "host/leave_pay_panel.h"
#include "host/main_window.h"
#include "platform/printer/pdf_inspection.h"
#include "platform/ui/accessibility_check.h"
#include "platform/ui/fake_ui.h"

namespace host {
namespace {

// Chooses for the user, as scripted.
class FakeDialogs : public HostDialogs {
 public:
  QString chooseFolder(QWidget*, const QString&) override { return folder; }
  QString chooseSaveFile(QWidget*, const QString&, const QString&, const QString& filter) override {
    filters << filter;
    return saveAs;
  }
  QString folder, saveAs;
  QStringList filters;
};

TEST(MainWindow, OpensAFolderAndExportsItsShiftsOrSaysWhyNot) {
  platform::FakeUi ui;
  FakeDialogs dialogs;
  MainWindow window(test::testSession(), ui, dialogs);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  dialogs.folder = QStringLiteral(WW_SAMPLE_PROFILES);
  window.findChild<QAction*>(QStringLiteral("actOpenFolder"))->trigger();
  const std::vector<QStringList> records = test::sampleRecords();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(size_t(window.shifts().itemCount()), records.size());
  EXPECT_EQ(size_t(window.findChild<QTableView*>(QStringLiteral("lvwShifts"))->model()->rowCount()), records.size());
  EXPECT_EQ(window.storedValues().shown(QStringLiteral("folder")), QFileInfo(dialogs.folder).absoluteFilePath());
  EXPECT_TRUE(window.summaryText().contains(QStringLiteral("from 3 files, year 2025")));

  struct Case {
    const char* action;
    const char* file;
    QByteArray expectedStart;
  } cases[] = {
      {"actExportCsv", "shifts.csv", '"' + records.front().join(QStringLiteral("\",\"")).toLatin1() + "\"\r\n"},
      {"actExportHtml", "shifts.html", "<"},
  };
  for (const Case& c : cases) {
    dialogs.saveAs = test::testDir().filePath(QLatin1String(c.file));
    window.findChild<QAction*>(QLatin1String(c.action))->trigger();
    QFile written(dialogs.saveAs);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << c.file;
    EXPECT_TRUE(written.readAll().startsWith(c.expectedStart)) << c.file;
  }
  EXPECT_TRUE(ui.boxes.isEmpty());

  // The preview holds the pages that Tabulon prints on the same paper.
  QPrinter previewPrinter(QPrinter::HighResolution);
  std::unique_ptr<QPrintPreviewDialog> preview = window.createPrintPreview(previewPrinter);
  auto* pages = preview->findChild<QPrintPreviewWidget*>();
  ASSERT_NE(pages, nullptr);
  pages->updatePreview();
  QPrinter pdfPrinter(QPrinter::HighResolution);
  pdfPrinter.setOutputFormat(QPrinter::PdfFormat);
  pdfPrinter.setOutputFileName(test::testDir().filePath(QStringLiteral("preview-twin.pdf")));
  pdfPrinter.setPageLayout(previewPrinter.pageLayout());
  ASSERT_TRUE(window.printOn(pdfPrinter));
  EXPECT_GE(pages->pageCount(), 2);
  EXPECT_EQ(pages->pageCount(), platform::test::pdfPages(pdfPrinter.outputFileName()).size());

  // A file that cannot be written: the library's reason, in a box.
  dialogs.saveAs = QStringLiteral("/no/such/folder/shifts.csv");
  window.findChild<QAction*>(QStringLiteral("actExportCsv"))->trigger();
  ASSERT_EQ(ui.boxes.size(), 1);
  EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Path not found"));
  EXPECT_EQ(ui.boxes[0].icon, platform::MsgIcon::Critical);
}

// The parts that show no caption of their own, as assistive technology reads
// them; the list is the one stop of Tab.
TEST(MainWindow, NamesItsPartsAndItsListExposesItsHeaders) {
  const platform::test::ExpectedControl readAs[] = {
      {"mnuMain", QAccessible::MenuBar, "Menu bar", "", -1},
      {"tbrMain", QAccessible::ToolBar, "Main", "", -1},
      {"lvwShifts", QAccessible::Table, "Shifts", "", 0},
      {"grpStoredValues", QAccessible::Grouping, "Stored by the calculators", "", -1},
      {"sbrStatus", QAccessible::StatusBar, "Status line", "", -1},
  };
  platform::FakeUi ui;
  FakeDialogs dialogs;
  MainWindow window(test::testSession(), ui, dialogs);
  window.show();
  platform::test::expectExposedAsDesigned(window, readAs);
  EXPECT_EQ(platform::test::tabChain(window), platform::test::designTabChain(window, readAs));

  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.findChild<QTableView*>("lvwShifts"));
  ASSERT_NE(list->tableInterface(), nullptr);
  ASSERT_EQ(list->tableInterface()->columnCount(), coravel::ProfileTable::kColumnCount);
  for (int column = 0; column < coravel::ProfileTable::kColumnCount; ++column) {
    EXPECT_EQ(list->tableInterface()->columnDescription(column), coravel::ProfileTable::columnHeader(column));
    // The header cells follow the corner of the two headers.
    QAccessibleInterface* header = list->child(column + 1);
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader) << column;
    EXPECT_EQ(header->text(QAccessible::Name), coravel::ProfileTable::columnHeader(column));
  }

  QPrinter printer(QPrinter::HighResolution);
  std::unique_ptr<QPrintPreviewDialog> preview = window.createPrintPreview(printer);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(preview.get())->text(QAccessible::Name), "Print Preview");
}

}  // namespace
}  // namespace host
