#include "coravel/graph/profile_file_choice.h"

#include <QDir>
#include <QFileInfo>

namespace coravel {

bool SelectMultipleFiles(platform::Ui& CD, const QString& extension, QStringList& files) {
  platform::OpenFilesRequest request;
  request.title = QString::fromLatin1(kChooseProfilesTitle);
  const QString pattern = QString::fromLatin1(kProfileFilterPattern) + extension;
  request.filter = QString::fromLatin1(kProfileFilterDescription) + QStringLiteral(" (") + pattern + u')';
  request.multiple = true;
  const QStringList chosen = CD.openFiles(request);
  if (chosen.isEmpty()) return false;
  if (chosen.size() == 1) {
    files = chosen;
    return true;
  }
  // Several files come from one folder; names are kept relative to the first
  // one's folder, so none is lost should the dialog mix folders.
  const QDir folder = QFileInfo(chosen.first()).dir();
  QStringList answer{folder.path()};
  for (const QString& path : chosen) answer.append(folder.relativeFilePath(path));
  files = answer;
  return true;
}

QStringList chosenProfilePaths(const QStringList& files) {
  if (files.size() <= 1) return files;
  QStringList paths;
  for (qsizetype i = 1; i < files.size(); ++i) paths.append(files.first() + u'/' + files[i]);
  return paths;
}

}  // namespace coravel
