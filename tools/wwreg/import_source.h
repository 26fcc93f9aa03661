#pragma once
// The file IMPORT reads, opened only when it is a regular file of a
// bounded size.
#include <QFile>
#include <QString>

namespace wwreg {

inline constexpr char kFileError[] = "ERROR: Error opening the file. There may be a disk or file system error.";

// Opens `path` into `file` when it is a regular file of at most `maxBytes`;
// else the message why not. Opening does not wait, so a pipe without a
// writer is refused at once instead of blocking, and nothing is read from
// a file that is refused.
QString openRegularFile(const QString& path, qint64 maxBytes, QFile& file);

}  // namespace wwreg
