#include "platform/ui/modal_window.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <cstdio>

#include "core/fault.h"
#include "platform/ui/window_snapshot.h"

namespace platform {

namespace {

bool modalWithoutDisplay = false;

// A window that keeps posting work (an animation, a load that never ends)
// is pictured as it stands after this long.
constexpr int kSettleLimitMs = 30000;

bool hasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Runs events until none are left to run.
void settlePendingEvents() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  QElapsedTimer elapsed;
  elapsed.start();
  bool busy = true;
  while (busy && elapsed.elapsed() < kSettleLimitMs) {
    QCoreApplication::sendPostedEvents();
    busy = dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
  }
}

void printLines(const QStringList& lines) {
  for (const QString& line : lines) std::printf("%s\n", qUtf8Printable(line));
  std::fflush(stdout);
}

// The window is shown modal without a loop of its own: nothing could end
// such a loop if the window closed while it was still being shown.
void snapshot(QDialog& window, const QString& dir) {
  const bool deleteOnClose = window.testAttribute(Qt::WA_DeleteOnClose);
  const bool wasModal = window.testAttribute(Qt::WA_ShowModal);
  window.setAttribute(Qt::WA_DeleteOnClose, false);  // the caller owns it, as with exec()
  window.setAttribute(Qt::WA_ShowModal, true);
  window.show();
  settlePendingEvents();
  const bool pictured = !saveWindowPicture(window, dir).isEmpty();
  printLines(describeWindow(window));
  printLines(describeAccessibility(window));
  window.close();
  if (window.isVisible()) window.hide();  // closing code that keeps it open: nobody is left to close it
  window.setAttribute(Qt::WA_ShowModal, wasModal);
  window.setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
  if (!pictured)
    throw core::FaultError(core::kPathFileAccessError,
                           QStringLiteral("cannot write the picture of %1 in %2").arg(window.objectName(), dir),
                           window.objectName());
}

}  // namespace

void allowModalWithoutDisplay(bool allow) { modalWithoutDisplay = allow; }

void showModal(QDialog& window) {
  const QString snapshotDir = qEnvironmentVariable("WAGEWISE_UI_SNAPSHOT");
  if (snapshotDir.isEmpty()) {
    if (!hasDisplay() && !modalWithoutDisplay)
      throw core::FaultError(core::kInvalidProcedureCall,
                             QStringLiteral("no display to show %1 on").arg(window.objectName()),
                             window.objectName());
    window.exec();
    return;
  }
  snapshot(window, snapshotDir);
}

}  // namespace platform
