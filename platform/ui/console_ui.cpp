#include "platform/ui/console_ui.h"

#include "core/escape_text.h"

namespace platform {

ConsoleUi::ConsoleUi(std::optional<MsgAnswer> forcedAnswer, FILE* out)
    : forcedAnswer_(forcedAnswer), out_(out) {}

std::optional<MsgAnswer> ConsoleUi::parseAnswer(const QString& word) {
  QString w = word.trimmed().toLower();
  if (w == QLatin1String("yes")) return MsgAnswer::Yes;
  if (w == QLatin1String("no")) return MsgAnswer::No;
  if (w == QLatin1String("ok")) return MsgAnswer::Ok;
  if (w == QLatin1String("cancel")) return MsgAnswer::Cancel;
  return std::nullopt;
}

MsgAnswer ConsoleUi::messageBox(const MessageBoxRequest& request) {
  std::fprintf(out_, "msgbox: %s: %s\n", qUtf8Printable(core::escapeText(request.title)),
               qUtf8Printable(core::escapeText(request.text)));
  std::fflush(out_);
  if (forcedAnswer_ && answersOf(request.buttons).contains(*forcedAnswer_)) return *forcedAnswer_;
  return defaultAnswer(request);
}

void ConsoleUi::beep() {
  std::fprintf(out_, "beep\n");
  std::fflush(out_);
}

QStringList ConsoleUi::openFiles(const OpenFilesRequest& request) {
  std::fprintf(out_, "open-files: %s\n", qUtf8Printable(core::escapeText(request.title)));
  std::fflush(out_);
  QStringList files = qEnvironmentVariable("WAGEWISE_UI_FILES").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return request.multiple ? files : files.mid(0, 1);
}

}  // namespace platform
