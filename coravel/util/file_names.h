#pragma once
// File-name helpers of the host's toolbox. Paths are the system's own ("/"
// between folders); the backslash rules below are kept as hosts rely on them.
#include <QString>

namespace coravel {

// Whether a file (not a folder) matches `path`, whose last part may hold the
// wildcards * and ?, matched without regard to letter case; a pattern ending
// in ".*" also takes names without a point. Entries that cannot be examined
// are passed over. Empty or a lone backslash: false. A fourth character
// that is a backslash is first removed from `path` (the caller sees the
// repaired path). Fault 5 for a path of one to three characters; fault 52
// for a name the system cannot take, 75 for a folder that may not be read.
bool fileMatchExists(QString& path);

// The characters behind the last backslash or "/", or the whole text without
// either ("/" never occurs inside a file name here).
QString fileNameAfterSeparator(const QString& text);

// `name` without its last four characters (a point and a three-letter
// extension). Fault 5 for a name shorter than four characters.
QString withoutExtension(const QString& name);

// -1 when `path` names a file whose length can be read, 0 otherwise (no such
// file, a folder, no access, an empty or bad name). Never faults.
int16_t fileExistsFlag(const QString& path);

}  // namespace coravel
