#include "platform/ui/ui.h"

#include <memory>

#include "platform/ui/console_ui.h"
#include "platform/ui/qt_ui.h"

namespace platform {

QList<MsgAnswer> answersOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return {MsgAnswer::Ok};
    case MsgButtons::OkCancel: return {MsgAnswer::Ok, MsgAnswer::Cancel};
    case MsgButtons::AbortRetryIgnore: return {MsgAnswer::Abort, MsgAnswer::Retry, MsgAnswer::Ignore};
    case MsgButtons::YesNoCancel: return {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    case MsgButtons::YesNo: return {MsgAnswer::Yes, MsgAnswer::No};
    case MsgButtons::RetryCancel: return {MsgAnswer::Retry, MsgAnswer::Cancel};
  }
  return {MsgAnswer::Ok};
}

MsgAnswer defaultAnswer(const MessageBoxRequest& request) {
  QList<MsgAnswer> answers = answersOf(request.buttons);
  int i = request.defaultButton - 1;
  return (i >= 0 && i < answers.size()) ? answers[i] : answers.front();
}

namespace {

class SilentProgress : public Progress {
 public:
  bool report(const QString&) override { return false; }
};

}  // namespace

std::unique_ptr<Progress> Ui::startProgress(const ProgressRequest&) { return std::make_unique<SilentProgress>(); }

Ui& ui() {
  static std::unique_ptr<Ui> instance = [] () -> std::unique_ptr<Ui> {
    if (qEnvironmentVariable("WAGEWISE_UI").compare(QLatin1String("console"), Qt::CaseInsensitive) == 0)
      return std::make_unique<ConsoleUi>(ConsoleUi::parseAnswer(qEnvironmentVariable("WAGEWISE_UI_ANSWER")));
    return std::make_unique<QtUi>();
  }();
  return *instance;
}

}  // namespace platform
