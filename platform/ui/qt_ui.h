#pragma once
#include "platform/ui/ui.h"

namespace platform {

// Qt widgets: QMessageBox, QApplication::beep, QFileDialog and a progress
// window. Creates the application object on first use when the host has none.
class QtUi : public Ui {
 public:
  MsgAnswer messageBox(const MessageBoxRequest& request) override;
  void beep() override;
  QStringList openFiles(const OpenFilesRequest& request) override;
  // A ProgressWindow (progress_window.h).
  std::unique_ptr<Progress> startProgress(const ProgressRequest& request) override;
};

// Makes sure a QApplication exists (hosts without Qt get one on first use).
void ensureGuiApplication();

}  // namespace platform
