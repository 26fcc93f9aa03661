#include "host/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "coravel/graph/profile_loader.h"
#include "host/host_dialogs.h"
#include "host/leave_pay_panel.h"
#include "host/profile_summary.h"
#include "platform/ui/accessible_texts.h"
#include "rowcast/list/item_model_list.h"

namespace host {

namespace {
// The list's own name, as its control is named in the window.
constexpr char kListName[] = "lvwShifts";

// What assistive technology reads for the parts of the window that show no
// caption of their own; the side panel and the toolbar are read by their
// titles.
const platform::AccessibleText kAccessibleTexts[] = {
    {"mnuMain", "Menu bar", nullptr, nullptr},
    {kListName, "Shifts", nullptr, nullptr},
    {"sbrStatus", "Status line", nullptr, nullptr},
};
}  // namespace

MainWindow::MainWindow(ComponentSession& session, platform::Ui& ui, HostDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui_(ui), dialogs_(dialogs), coravel_(session), rowcast_(session) {
  setObjectName(QStringLiteral("frmWagewiseDemo"));
  setWindowTitle(QStringLiteral("Wagewise demo"));

  table_ = new QTableView;
  table_->setObjectName(QLatin1String(kListName));
  table_->setModel(&shifts_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setAlternatingRowColors(true);
  table_->setWordWrap(false);
  // Tab and Shift+Tab move into and out of the list; arrow keys move in it.
  table_->setTabKeyNavigation(false);
  // Fixed row heights keep a million rows cheap to scroll.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  for (int column = 0; column < coravel::ProfileTable::kColumnCount; ++column)
    table_->setColumnWidth(column, table_->fontMetrics().horizontalAdvance(coravel::ProfileTable::columnHeader(column)) + 24);

  storedValues_ = new LeavePayPanel;
  auto* splitter = new QSplitter;
  splitter->addWidget(table_);
  splitter->addWidget(storedValues_);
  splitter->setStretchFactor(0, 1);
  setCentralWidget(splitter);

  summary_ = new QLabel;
  summary_->setObjectName(QStringLiteral("lblSummary"));
  statusBar()->setObjectName(QStringLiteral("sbrStatus"));
  statusBar()->addWidget(summary_, 1);

  // The list object stays the host's; Rowcast reads it through the table model.
  rowcast_.setList(std::make_shared<rowcast::ItemModelList>(&shifts_, QLatin1String(kListName)));
  buildMenus();
  platform::applyAccessibleTexts(*this, kAccessibleTexts);
  storedValues_->refresh(coravel_);
  updateSummary();
  resize(1180, 640);
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::addAction(QMenu* menu, const QString& name, const QString& text, void (MainWindow::*slot)(),
                               const QKeySequence& shortcut) {
  QAction* action = menu->addAction(text, this, slot);
  action->setObjectName(name);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

void MainWindow::buildMenus() {
  menuBar()->setObjectName(QStringLiteral("mnuMain"));
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QToolBar* tools = addToolBar(QStringLiteral("Main"));
  tools->setObjectName(QStringLiteral("tbrMain"));
  tools->setMovable(false);
  // The button that shows the actions a narrow window has no room for.
  if (auto* more = tools->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    more->setAccessibleName(QStringLiteral("More tools"));
  tools->addAction(addAction(file, QStringLiteral("actOpenFolder"), QStringLiteral("&Open Folder..."),
                             &MainWindow::chooseFolder, QKeySequence::Open));
  file->addSeparator();
  tools->addAction(addAction(file, QStringLiteral("actExportHtml"), QStringLiteral("Export &HTML..."), &MainWindow::exportHtml));
  tools->addAction(addAction(file, QStringLiteral("actExportCsv"), QStringLiteral("Export &CSV..."), &MainWindow::exportCsv));
  file->addSeparator();
  tools->addAction(addAction(file, QStringLiteral("actPrint"), QStringLiteral("&Print..."), &MainWindow::print, QKeySequence::Print));
  tools->addAction(addAction(file, QStringLiteral("actPrintPreview"), QStringLiteral("Print Pre&view..."), &MainWindow::printPreview));
  file->addSeparator();
  file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);

  QMenu* pay = menuBar()->addMenu(QStringLiteral("&Pay"));
  tools->addSeparator();
  tools->addAction(addAction(pay, QStringLiteral("actHolidayPay"), QStringLiteral("&Holiday Pay..."), &MainWindow::openHolidayPay));
  tools->addAction(addAction(pay, QStringLiteral("actSickPay"), QStringLiteral("&Sick Pay..."), &MainWindow::openSickPay));
  tools->addAction(addAction(pay, QStringLiteral("actVacationPay"), QStringLiteral("&Vacation Pay..."), &MainWindow::openVacationPay));
  pay->addSeparator();
  tools->addAction(addAction(pay, QStringLiteral("actYearlyGraph"), QStringLiteral("Yearly &Graph..."), &MainWindow::openYearlyGraph));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  addAction(help, QStringLiteral("actAbout"), QStringLiteral("&About Rowcast..."), &MainWindow::showAbout);
}

void MainWindow::openFolder(const QString& folder) {
  folder_ = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (core::Fault fault = coravel_.saveSetting(QStringLiteral("AppPath"), folder_); fault.isFault())
    showFault(QStringLiteral("Open Folder"), fault);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  shifts_.clear();
  coravel::ProfileLoader loader(shifts_);
  loader.setLetEventsRun([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  loader.loadAppPath(folder_);
  filesRead_ = loader.filesRead();
  table_->resizeColumnsToContents();  // measures the first thousand rows or so, not a million
  QApplication::restoreOverrideCursor();
  storedValues_->refresh(coravel_);
  updateSummary();
}

void MainWindow::updateSummary() {
  const ProfileSummary summary = summarize(shifts_, filesRead_, hostLocale());
  year_ = summary.year;
  summary_->setText(folder_.isEmpty() ? QStringLiteral("Choose the folder of the job profiles (File, Open Folder).")
                                      : summary.text(hostLocale()) + QStringLiteral(" in ") + folder_);
}

QString MainWindow::summaryText() const { return summary_->text(); }

void MainWindow::chooseFolder() {
  const QString folder = dialogs_.chooseFolder(this, folder_.isEmpty() ? QDir::homePath() : folder_);
  if (!folder.isEmpty()) openFolder(folder);
}

QString MainWindow::printTitle() const {
  return year_ ? QStringLiteral("Wagewise Shifts %1").arg(year_) : QStringLiteral("Wagewise Shifts");
}

bool MainWindow::exportTo(RowcastClient::ExportType type, const QString& fileName) {
  const OutputResult result = rowcast_.exportList(type, fileName, printTitle());
  if (!result.succeeded()) showOutputFailure(QStringLiteral("Export"), result);
  else statusBar()->showMessage(QStringLiteral("Wrote ") + fileName, 8000);
  return result.succeeded();
}

void MainWindow::exportAs(RowcastClient::ExportType type, const QString& title, const QString& suffix,
                          const QString& filter) {
  // The folder last saved to, else the user's documents: an export has no
  // place among the profiles the host reads.
  QString folder = lastSaveFolder_;
  if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty()) folder = QDir::homePath();
  const QString suggested = QDir(folder).filePath(QStringLiteral("shifts.") + suffix);
  const QString fileName = dialogs_.chooseSaveFile(this, title, suggested, filter);
  if (fileName.isEmpty()) return;
  lastSaveFolder_ = QFileInfo(fileName).absolutePath();
  exportTo(type, fileName);
}

void MainWindow::exportHtml() {
  exportAs(RowcastClient::eHtml, QStringLiteral("Export HTML"), QStringLiteral("html"),
           QStringLiteral("HTML pages (*.html *.htm)"));
}

void MainWindow::exportCsv() {
  exportAs(RowcastClient::eCSV, QStringLiteral("Export CSV"), QStringLiteral("csv"), QStringLiteral("CSV files (*.csv)"));
}

// Thirteen columns print with room across the page, so landscape comes first.
// The paper is the printer's own default, the one a job sent to it without a
// dialog is laid out on.
void MainWindow::setUpHostPrinter(QPrinter& printer) const {
  if (const QPageSize paper = QPrinterInfo(printer).defaultPageSize(); paper.isValid()) printer.setPageSize(paper);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setDocName(printTitle());
}

bool MainWindow::printOn(QPrinter& printer) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const OutputResult result = rowcast_.printOn(printer, printTitle());
  QApplication::restoreOverrideCursor();
  if (!result.succeeded()) showOutputFailure(QStringLiteral("Print"), result);
  lastPrintPages_ = result.succeeded() ? result.pages : 0;
  return result.succeeded();
}

// Where a printout went, as the status line says it: "Wrote /path/list.pdf
// (8 pages)" for a file, "Printed 8 pages to WWPDF" for a printer.
QString MainWindow::printedTo(const QPrinter& printer, int pages) {
  const QString count = pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages);
  if (!printer.outputFileName().isEmpty())
    return QStringLiteral("Wrote %1 (%2)").arg(printer.outputFileName(), count);
  return QStringLiteral("Printed %1 to %2").arg(count, printer.printerName());
}

void MainWindow::print() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    setUpHostPrinter(*printer_);
  }
  QPrintDialog dialog(printer_.get(), this);
  dialog.setWindowTitle(QStringLiteral("Print the shifts"));
  // Rowcast lays out every page and draws the range and copies asked for.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  // A preview repaints through printOn too, so only this path reports.
  if (dialog.exec() == QDialog::Accepted && printOn(*printer_) && lastPrintPages_ > 0)
    statusBar()->showMessage(printedTo(*printer_, lastPrintPages_), 8000);
}

// The preview shows exactly what Tabulon draws: it paints on the preview's
// own printer, and again on the real one when the user prints from there.
std::unique_ptr<QPrintPreviewDialog> MainWindow::createPrintPreview(QPrinter& printer) {
  setUpHostPrinter(printer);
  auto preview = std::make_unique<QPrintPreviewDialog>(&printer, this);
  preview->setWindowTitle(QStringLiteral("Print Preview"));
  connect(preview.get(), &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* device) { printOn(*device); });
  preview->resize(1000, 760);
  return preview;
}

void MainWindow::printPreview() {
  QPrinter printer(QPrinter::HighResolution);
  createPrintPreview(printer)->exec();
}

void MainWindow::openLibraryWindow(const QString& member) {
  if (core::Fault fault = coravel_.openWindow(member); fault.isFault()) showFault(windowTitle(), fault);
  storedValues_->refresh(coravel_);  // the values the window stored, as the host reads them
}

void MainWindow::showAbout() {
  if (core::Fault fault = rowcast_.about(); fault.isFault()) showFault(QStringLiteral("About"), fault);
}

void MainWindow::showFault(const QString& title, const core::Fault& fault) {
  platform::MessageBoxRequest box;
  box.title = title;
  box.text = QStringLiteral("%1 (error %2)").arg(fault.description).arg(fault.number);
  box.icon = platform::MsgIcon::Critical;
  ui_.messageBox(box);
}

void MainWindow::showOutputFailure(const QString& title, const OutputResult& result) {
  platform::MessageBoxRequest box;
  box.title = title;
  box.text = result.reason();
  box.icon = platform::MsgIcon::Critical;
  ui_.messageBox(box);
}

}  // namespace host
