#pragma once
// What a long print job shows the user (the ui seam's progress, which
// appears only after about a second): the sizes tried while fitting, then
// each page as it starts; in between, the job keeps the window alive after
// every item it reads and every row it prints. Its Cancel button stops the
// job before the next item or row; the caller then throws the document away.
#include <memory>

#include "platform/ui/ui.h"

namespace rowcast {

class PrintProgress {
 public:
  explicit PrintProgress(platform::Ui& ui);

  // Both return false once the user has cancelled.
  bool tryingSize(int16_t points);
  bool startingPage(int16_t page);
  bool keepAlive();
  bool cancelled() const { return cancelled_; }

 private:
  bool report(const QString& text);

  std::unique_ptr<platform::Progress> progress_;
  bool cancelled_ = false;
};

}  // namespace rowcast
