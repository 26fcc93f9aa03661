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
  // Records what a job reports; asks to cancel at report `cancelAtReport`
  // or at the keep-alive call `cancelAtKeepAlive`.
  std::unique_ptr<Progress> startProgress(const ProgressRequest& request) override {
    progressRequests.append(request);
    return std::make_unique<RecordedProgress>(*this);
  }

  QList<MessageBoxRequest> boxes;
  std::deque<MsgAnswer> answers;
  int beeps = 0;
  QList<OpenFilesRequest> fileRequests;
  QStringList filesToChoose;
  QList<ProgressRequest> progressRequests;
  QStringList progressReports;
  int cancelAtReport = 0;  // 0: never
  int keepAlives = 0;          // calls between reports
  int cancelAtKeepAlive = 0;   // 0: never

 private:
  class RecordedProgress : public Progress {
   public:
    explicit RecordedProgress(FakeUi& ui) : ui_(ui) {}
    bool report(const QString& text) override {
      ui_.progressReports.append(text);
      return ui_.cancelAtReport > 0 && ui_.progressReports.size() >= ui_.cancelAtReport;
    }
    bool keepAlive() override {
      ++ui_.keepAlives;
      return ui_.cancelAtKeepAlive > 0 && ui_.keepAlives >= ui_.cancelAtKeepAlive;
    }

   private:
    FakeUi& ui_;
  };
};

}  // namespace platform
