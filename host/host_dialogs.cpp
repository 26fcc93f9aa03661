#include "host/host_dialogs.h"

#include <QFileDialog>

namespace host {

QString QtHostDialogs::chooseFolder(QWidget* parent, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, QStringLiteral("Folder of the job profiles"), start);
}

QString QtHostDialogs::chooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                      const QString& filter) {
  return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

}  // namespace host
