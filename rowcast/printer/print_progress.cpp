#include "rowcast/printer/print_progress.h"

namespace rowcast {

PrintProgress::PrintProgress(platform::Ui& ui)
    : progress_(ui.startProgress({QStringLiteral("Printing"), QStringLiteral("Fitting the list to the page"),
                                  QStringLiteral("Cancel")})) {}

bool PrintProgress::tryingSize(int16_t points) {
  return report(QStringLiteral("Fitting the list to the page at %1 points").arg(points));
}

bool PrintProgress::startingPage(int16_t page) { return report(QStringLiteral("Printing page %1").arg(page)); }

bool PrintProgress::keepAlive() {
  if (!cancelled_ && progress_->keepAlive()) cancelled_ = true;
  return !cancelled_;
}

bool PrintProgress::report(const QString& text) {
  if (!cancelled_ && progress_->report(text)) cancelled_ = true;
  return !cancelled_;
}

}  // namespace rowcast
