#pragma once
// Choosing profile files with the open-file dialog, and reading its answer.
#include <QString>
#include <QStringList>

#include "platform/ui/ui.h"

namespace coravel {

// The dialog's title, and its filter as description and pattern: with the
// extension word "dat" the pattern is "*.*dat", names that end in "dat".
inline constexpr char kChooseProfilesTitle[] = "Select one or more files";
inline constexpr char kProfileFilterDescription[] = "Profile Files (*.dat)";
inline constexpr char kProfileFilterPattern[] = "*.*";

// Shows the open-file dialog `CD` for one or more files. When the user chose
// some, `files` becomes the dialog's answer and the result is true: one file
// as its full path, or several as their folder followed by their names in
// the dialog's order. On cancel `files` is left as it was.
bool SelectMultipleFiles(platform::Ui& CD, const QString& extension, QStringList& files);

// The full paths of a SelectMultipleFiles answer, in its order: the one
// element, or the folder joined with "/" to each name after it.
QStringList chosenProfilePaths(const QStringList& files);

}  // namespace coravel
