#pragma once
// The host's own file dialogs, behind a seam so that tests choose for the user.
#include <QString>

class QWidget;

namespace host {

class HostDialogs {
 public:
  virtual ~HostDialogs() = default;
  // The folder chosen; empty when the user cancels.
  virtual QString chooseFolder(QWidget* parent, const QString& start) = 0;
  // The file to write; empty when the user cancels.
  virtual QString chooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                 const QString& filter) = 0;
};

class QtHostDialogs : public HostDialogs {
 public:
  QString chooseFolder(QWidget* parent, const QString& start) override;
  QString chooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) override;
};

}  // namespace host
