#pragma once
// Opens a file to write into it, the one way every writer of the project does
// (exports, printouts, the error log, registry files, window pictures and the
// demo's listings): only a regular file, never the settings store, and never
// waiting on a FIFO or a device.
#include <sys/types.h>

#include <QByteArray>
#include <QString>

namespace platform {

enum class WriteMode {
  Keep,     // create when missing, leave what is there (the caller writes later)
  Replace,  // create when missing, empty what is there
  Append,   // create when missing, write at the end
};

enum class LinkRule {
  Follow,  // a link at the file leads to what it names (a link to nothing is refused)
  Refuse,  // a link at the file is refused, whatever it names
};

struct WritableFile {
  enum class Refusal {
    None,
    SystemError,     // the system's own error, in `error`
    NotRegularFile,  // a FIFO, device, socket or folder
    DanglingLink,    // a link to a file that does not exist: nothing is made where it points
    SettingsStore,   // the settings store's database, or its -wal or -shm file
  };

  int fd = -1;  // open, blocking, close-on-exec; the caller closes it
  Refusal refusal = Refusal::None;
  int error = 0;  // errno, for SystemError
  // The file taken, as it was when opened: where it is (links resolved) and
  // which file it is, so that a writer can take it back (removeWrittenFile).
  QByteArray name;
  dev_t device = 0;
  ino_t inode = 0;

  bool ok() const { return fd >= 0; }
  // Why the file was refused, as a short phrase ("not a regular file").
  QString reason() const;
};

// Opens without waiting (a FIFO with no reader fails at once), checks what
// was opened, and only then empties it (Replace). A file this call made is
// removed again when it is refused.
WritableFile openWritableFile(const QString& path, WriteMode mode, LinkRule links = LinkRule::Follow);

// Takes back what a failed writer wrote: empties the file that `opened` took
// and removes it, when its name still leads to that same file (a file put in
// its place since is left alone). Works before or after the descriptor is
// closed. True when it was removed.
bool removeWrittenFile(const WritableFile& opened);

}  // namespace platform
