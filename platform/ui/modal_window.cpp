#include "platform/ui/modal_window.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
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

void printLines(const QStringList& lines) {
  for (const QString& line : lines) std::printf("%s\n", qUtf8Printable(line));
  std::fflush(stdout);
}

// Runs inside the window's own modal loop, once it has been shown.
void snapshotAndClose(QDialog& window, const QString& dir, QString* pictureFailed) {
  settlePendingEvents();
  const QString picture = saveWindowPicture(window, dir);
  if (picture.isEmpty()) *pictureFailed = dir;
  printLines(describeWindow(window));
  window.close();
  // Closing code that keeps the window open would leave nobody to close it.
  if (window.isVisible()) window.done(QDialog::Rejected);
}

}  // namespace

void allowModalWithoutDisplay(bool allow) { modalWithoutDisplay = allow; }

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
  QString pictureFailed;
  QTimer::singleShot(0, &window, [&] { snapshotAndClose(window, snapshotDir, &pictureFailed); });
  window.exec();
  if (!pictureFailed.isEmpty())
    throw core::FaultError(core::kPathFileAccessError,
                           QStringLiteral("cannot write the picture of %1 in %2").arg(window.objectName(), pictureFailed),
                           window.objectName());
}

}  // namespace platform
