#include "platform/ui/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/progress_window.h"

namespace platform {

void ensureGuiApplication() {
  if (QCoreApplication::instance()) return;
  // A host without Qt: one application object for the life of the process.
  static int argc = 1;
  static char name[] = "wagewise";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

namespace {

QMessageBox::StandardButton standardButton(MsgAnswer a) {
  switch (a) {
    case MsgAnswer::Ok: return QMessageBox::Ok;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Abort: return QMessageBox::Abort;
    case MsgAnswer::Retry: return QMessageBox::Retry;
    case MsgAnswer::Ignore: return QMessageBox::Ignore;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MsgAnswer QtUi::messageBox(const MessageBoxRequest& request) {
  ensureGuiApplication();
  QMessageBox box(qtIcon(request.icon), request.title, request.text);
  const QList<MsgAnswer> answers = answersOf(request.buttons);
  for (MsgAnswer a : answers) box.addButton(standardButton(a));
  box.setDefaultButton(standardButton(defaultAnswer(request)));
  if (answers.contains(MsgAnswer::Cancel)) box.setEscapeButton(standardButton(MsgAnswer::Cancel));
  else if (answers.size() == 1) box.setEscapeButton(standardButton(answers.front()));
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (MsgAnswer a : answers)
    if (clicked == box.button(standardButton(a))) return a;
  // Closed without a button (only possible where there is no escape button).
  return answers.contains(MsgAnswer::Cancel) ? MsgAnswer::Cancel : defaultAnswer(request);
}

void QtUi::beep() {
  ensureGuiApplication();
  QApplication::beep();
}

QStringList QtUi::openFiles(const OpenFilesRequest& request) {
  ensureGuiApplication();
  if (request.multiple)
    return QFileDialog::getOpenFileNames(nullptr, request.title, request.folder, request.filter);
  QString one = QFileDialog::getOpenFileName(nullptr, request.title, request.folder, request.filter);
  return one.isEmpty() ? QStringList{} : QStringList{one};
}

std::unique_ptr<Progress> QtUi::startProgress(const ProgressRequest& request) {
  ensureGuiApplication();
  return std::make_unique<ProgressWindow>(request);
}

}  // namespace platform
