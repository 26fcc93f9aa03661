#pragma once
#include <cstdio>
#include <optional>

#include "platform/ui/ui.h"

namespace platform {

// For scripted hosts: a message box is written to `out` as
// "msgbox: TITLE: TEXT" (text escaped) and answered with `forcedAnswer` when
// the box offers it, else with its default button. Beeps are written as
// "beep"; the open-file dialog answers with WAGEWISE_UI_FILES (one path a
// line) or nothing.
class ConsoleUi : public Ui {
 public:
  explicit ConsoleUi(std::optional<MsgAnswer> forcedAnswer = std::nullopt, FILE* out = stderr);
  MsgAnswer messageBox(const MessageBoxRequest& request) override;
  void beep() override;
  QStringList openFiles(const OpenFilesRequest& request) override;

  // "yes", "no", "ok", "cancel" (any case); nothing for other words.
  static std::optional<MsgAnswer> parseAnswer(const QString& word);

 private:
  std::optional<MsgAnswer> forcedAnswer_;
  FILE* out_;
};

}  // namespace platform
