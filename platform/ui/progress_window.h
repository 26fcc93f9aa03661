#pragma once
// The Qt widgets' window for a long job. It appears once the job has run
// about a second, shows what the job last reported over a busy bar, and
// has Cancel. The job holds the thread, so the window lives on the calls the
// job makes: every report() and keepAlive() lets Qt's events run, at most
// every 50 ms, which repaints this window and the host's own and lets the
// bar move. Until the window shows, user input waits in the queue (the
// host's windows only repaint); once shown it is application modal, so the
// host's windows take no input and Cancel does. While it shows, a wait
// cursor the host set becomes the busy arrow, so Cancel can be aimed at.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include "platform/ui/ui.h"

class QProgressDialog;

namespace platform {

class ProgressWindow : public Progress {
 public:
  struct Timing {
    int showAfterMs = 1000;
    int eventIntervalMs = 50;
  };
  explicit ProgressWindow(ProgressRequest request, Timing timing = Timing{1000, 50});
  ~ProgressWindow() override;
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  bool report(const QString& text) override;
  bool keepAlive() override;

 private:
  void show();

  ProgressRequest request_;
  Timing timing_;
  QString text_;
  QElapsedTimer sinceStart_;
  qint64 lastEventsMs_ = 0;
  QPointer<QProgressDialog> dialog_;  // its parent may take it along
  bool busyCursor_ = false;
  bool cancelled_ = false;
};

}  // namespace platform
