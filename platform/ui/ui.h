#pragma once
// The user-interface seam: message boxes, the beep and the open-file dialog.
// Library code asks `platform::ui()` (or a Ui it was given) and never shows a
// widget for these itself, so tests swap in FakeUi and scripted hosts the
// console version.
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

// Buttons, icons and answers carry the platform's message-box numbers.
enum class MsgButtons { Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
  QString text;
  QString title;
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  int defaultButton = 1;  // 1-based position among the buttons
};

struct OpenFilesRequest {
  QString title;
  QString folder;
  QString filter;  // "Profiles (*.dat);;All files (*)"
  bool multiple = true;
};

// The buttons a box shows, in order, and the answer its default button gives.
QList<MsgAnswer> answersOf(MsgButtons buttons);
MsgAnswer defaultAnswer(const MessageBoxRequest& request);

struct ProgressRequest {
  QString title;
  QString text;        // what is under way at first
  QString cancelText;  // the cancel button's caption; empty: none
};

// A long job's progress, shown while the object lives.
class Progress {
 public:
  virtual ~Progress() = default;
  // Says how far the job has come ("Page 12"). True once the user has asked
  // to cancel; the job then stops as soon as it safely can.
  virtual bool report(const QString& text) = 0;
  // Called often while the job works between reports (a row, an item), so
  // that a window can show and repaint however long a step takes; cheap
  // when there is nothing to do. True once the user has asked to cancel.
  virtual bool keepAlive() { return false; }
};

class Ui {
 public:
  virtual ~Ui() = default;
  // Shows a modal message box and waits for the answer.
  virtual MsgAnswer messageBox(const MessageBoxRequest& request) = 0;
  virtual void beep() = 0;
  // The chosen files; empty when the user cancels.
  virtual QStringList openFiles(const OpenFilesRequest& request) = 0;
  // Progress of a job that may take long; a window for it appears only when
  // the job is still running about a second later, so short jobs show
  // nothing. This default shows nothing (console and scripted hosts).
  virtual std::unique_ptr<Progress> startProgress(const ProgressRequest& request);
};

// The process-wide seam: Qt widgets, or the console version when the host set
// WAGEWISE_UI=console (boxes go to standard error and are answered with their
// default button, or with WAGEWISE_UI_ANSWER=yes|no|ok|cancel).
Ui& ui();

}  // namespace platform
