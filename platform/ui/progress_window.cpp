#include "platform/ui/progress_window.h"

#include <QApplication>
#include <QProgressDialog>

namespace platform {

ProgressWindow::ProgressWindow(ProgressRequest request, Timing timing)
    : request_(std::move(request)), timing_(timing), text_(request_.text) {
  sinceStart_.start();
}

ProgressWindow::~ProgressWindow() {
  if (busyCursor_) QGuiApplication::restoreOverrideCursor();
  delete dialog_.data();
}

bool ProgressWindow::report(const QString& text) {
  text_ = text;
  if (dialog_) dialog_->setLabelText(text);
  return keepAlive();
}

bool ProgressWindow::keepAlive() {
  const qint64 now = sinceStart_.elapsed();
  if (cancelled_ || now - lastEventsMs_ < timing_.eventIntervalMs) return cancelled_;
  lastEventsMs_ = now;
  if (!dialog_ && now >= timing_.showAfterMs) show();
  QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  cancelled_ = dialog_ && dialog_->wasCanceled();
  return cancelled_;
}

// Over the window the user was working in, which the window manager then
// keeps it above. The bar has no end: a job's length is not known before
// it is laid out.
void ProgressWindow::show() {
  dialog_ = new QProgressDialog(text_, request_.cancelText, 0, 0, QApplication::activeWindow());
  dialog_->setWindowTitle(request_.title);
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setAutoReset(false);
  dialog_->setAutoClose(false);
  dialog_->setMinimumDuration(0);
  if (request_.cancelText.isEmpty()) dialog_->setCancelButton(nullptr);
  dialog_->show();
  if (QGuiApplication::overrideCursor()) {
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    busyCursor_ = true;
  }
}

}  // namespace platform
