#pragma once
// The demo host's window: the shifts of every profile file in a folder, in
// the 13-column report list, with the host's menu over both libraries. The
// libraries are reached by ProgID only; the list handed to Rowcast is a view
// of the table shown.
#include <QMainWindow>
#include <memory>

#include "coravel/graph/profile_table.h"
#include "host/coravel_client.h"
#include "host/rowcast_client.h"
#include "platform/ui/ui.h"

class QLabel;
class QPrintPreviewDialog;
class QPrinter;
class QTableView;

namespace host {

class HostDialogs;
class LeavePayPanel;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Message boxes go through `ui`, file dialogs through `dialogs`.
  MainWindow(ComponentSession& session, platform::Ui& ui, HostDialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Lists every profile file under `folder` and stores it as AppPath.
  void openFolder(const QString& folder);
  // ExportListView to `fileName`; a failure is shown with LastErrorMsg.
  bool exportTo(RowcastClient::ExportType type, const QString& fileName);
  // Tabulon on `printer`; a failure is shown.
  bool printOn(QPrinter& printer);
  // The pages of the last printout that succeeded, and how the status line
  // reports them.
  int lastPrintPages() const { return lastPrintPages_; }
  static QString printedTo(const QPrinter& printer, int pages);
  // The print preview over `printer` (set up as for printing): its pages are
  // painted by Tabulon, and printed by it again when the user prints.
  std::unique_ptr<QPrintPreviewDialog> createPrintPreview(QPrinter& printer);

  const coravel::ProfileTable& shifts() const { return shifts_; }
  QString summaryText() const;
  const LeavePayPanel& storedValues() const { return *storedValues_; }

 private slots:
  void chooseFolder();
  void exportHtml();
  void exportCsv();
  void print();
  void printPreview();
  void openHolidayPay() { openLibraryWindow(QStringLiteral("ShowHolidayfrm")); }
  void openSickPay() { openLibraryWindow(QStringLiteral("ShowSickfrm")); }
  void openVacationPay() { openLibraryWindow(QStringLiteral("ShowVacationfrm")); }
  void openYearlyGraph() { openLibraryWindow(QStringLiteral("ShowGraphfrm")); }
  void showAbout();

 private:
  void buildMenus();
  QAction* addAction(QMenu* menu, const QString& name, const QString& text, void (MainWindow::*slot)(),
                     const QKeySequence& shortcut = {});
  void exportAs(RowcastClient::ExportType type, const QString& title, const QString& suffix, const QString& filter);
  void openLibraryWindow(const QString& member);
  void showFault(const QString& title, const core::Fault& fault);
  void showOutputFailure(const QString& title, const OutputResult& result);
  void setUpHostPrinter(QPrinter& printer) const;
  QString printTitle() const;
  void updateSummary();

  platform::Ui& ui_;
  HostDialogs& dialogs_;
  CoravelClient coravel_;
  RowcastClient rowcast_;
  coravel::ProfileTable shifts_;
  int filesRead_ = 0;
  int32_t year_ = 0;
  QString folder_;
  QString lastSaveFolder_;  // where the last export went
  int lastPrintPages_ = 0;  // of the last printout that succeeded
  QTableView* table_ = nullptr;
  LeavePayPanel* storedValues_ = nullptr;
  QLabel* summary_ = nullptr;
  std::unique_ptr<QPrinter> printer_;  // keeps the user's printer choice between jobs
};

}  // namespace host
