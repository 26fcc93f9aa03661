#pragma once
#include <QList>
#include <deque>

#include "platform/ui/ui.h"

namespace platform {

// Test double: records every box and beep and answers as scripted (the
// default button once the script runs out).
class FakeUi : public Ui {
 public:
  MsgAnswer messageBox(const MessageBoxRequest& request) override {
    boxes.append(request);
    if (answers.empty()) return defaultAnswer(request);
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  void beep() override { ++beeps; }
  QStringList openFiles(const OpenFilesRequest& request) override {
    fileRequests.append(request);
    return filesToChoose;
  }

  QList<MessageBoxRequest> boxes;
  std::deque<MsgAnswer> answers;
  int beeps = 0;
  QList<OpenFilesRequest> fileRequests;
  QStringList filesToChoose;
};

}  // namespace platform
