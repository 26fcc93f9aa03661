#pragma once
// Appends a record of a caught fault to "rowcast.err", four lines a record,
// for the people who support the host. The log sits in the folder of the
// library file unless the owner names another folder (tests do). Where that
// log cannot be opened (an installed library's folder is seldom writable),
// the record goes to the same file name in a reserve folder, by default the
// user's state folder, trusted only as the loader trusts a folder: not a
// link, the user's own, and for the user alone (narrowed to 0700 when
// wider). A record that no log takes goes to standard error with the reason.
#include <QString>

#include "core/fault.h"

namespace rowcast {

class ErrorHandler {
 public:
  // `reserveFolder` empty: no reserve, a log that cannot be opened fails.
  explicit ErrorHandler(QString folder = libraryFolder(), QString reserveFolder = stateFolder());

  // The folder that holds the file this code was loaded from.
  static QString libraryFolder();
  // $XDG_STATE_HOME/wagewise, or ~/.local/state/wagewise when that is unset
  // or not an absolute path.
  static QString stateFolder();
  QString logPath() const { return folder_ + QStringLiteral("/rowcast.err"); }
  QString reserveLogPath() const { return reserveFolder_ + QStringLiteral("/rowcast.err"); }

  // Appends the record. Throws core::FaultError when the log cannot be
  // written; the record then goes to standard error, with why. `location` and `fileName` say where the
  // fault was caught; the log does not keep them.
  void handleError(const core::Fault& error, const QString& location, const QString& fileName);
  // The same for fault paths, which must return as they would have even when
  // the log itself fails.
  void handleErrorQuietly(const core::Fault& error, const QString& location, const QString& fileName) noexcept;

 private:
  QString folder_;
  QString reserveFolder_;
};

}  // namespace rowcast
