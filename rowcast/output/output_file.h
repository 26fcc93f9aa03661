#pragma once
// A text file written as UTF-8 through one reused buffer, for the exports and
// the error log. Every failure (open, write, close) throws core::FaultError
// with the platform's file fault number and text. Only whole lines reach the
// file when it is given up without close(): a fault in the middle of a line
// leaves the lines before it and nothing of the broken one. Memory stays
// small whatever the texts: a line longer than the buffer goes to the file
// as it grows, and is cut off again if it is never finished.
#include <sys/types.h>

#include <QString>
#include <QStringView>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/files/writable_file.h"

namespace rowcast {

class OutputFile {
 public:
  enum class Mode { Replace, Append };

  // Opens `path`, creating it; Replace empties an existing file, Append adds
  // to it. Only a regular file that is none of the settings store's: anything
  // else fails at once with 75, Path/File access error, without waiting for a
  // reader and before anything is emptied. With `links` Refuse, a link at
  // `path` fails with 75 too.
  explicit OutputFile(const QString& path, Mode mode = Mode::Replace,
                      platform::LinkRule links = platform::LinkRule::Follow);
  // Writes the finished lines and closes when close() was not reached; errors
  // are ignored here, as the caller is already handling one.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void appendAscii(std::string_view text) {
    std::memcpy(room(text.size()), text.data(), text.size());
    used_ += text.size();
  }
  void appendText(QStringView text);
  // `text` between `before` and `after` (both ASCII), with the ASCII
  // characters that `Escape` picks out written in its forms: the exports'
  // quoting rules (output_file_text.h says what an Escape provides, and
  // defines this).
  template <class Escape>
  void appendEscaped(QStringView text, std::string_view before = {}, std::string_view after = {});
  // CR LF; whole lines go to the file once enough of them have gathered.
  void endLine() {
    appendAscii("\r\n");
    lineEnd_ = used_;
    lineEndInFile_ = written_ + lineEnd_;
    if (lineEnd_ >= kFlushAt) writeOut(lineEnd_);
  }
  // Writes everything and closes; a fault here means the file is incomplete.
  void close();
  // Takes the file back after a fault: closes it without writing more, and
  // empties and removes it (Replace files only: an appended file keeps what
  // it held). True when it was removed.
  bool discard() noexcept;

 private:
  static constexpr size_t kFlushAt = size_t{128} * 1024;
  // Texts are converted this many units at a time, and an unfinished line
  // goes to the file once it holds this many bytes.
  static constexpr qsizetype kPieceUnits = qsizetype{64} * 1024;
  static constexpr size_t kSpillAt = size_t{1024} * 1024;

  template <class Escape>
  void appendPiece(QStringView text, std::string_view before, std::string_view after);
  void cutUnfinishedLine();
  // Where `bytes` more bytes can go; the buffer grows for lines longer than it.
  char* room(size_t bytes) { return capacity_ - used_ >= bytes ? buffer_.get() + used_ : grow(bytes); }
  char* grow(size_t bytes);
  void writeOut(size_t bytes);

  int fd_ = -1;
  platform::WritableFile opened_;  // what was taken, for discard()
  Mode mode_;
  bool writeFailed_ = false;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  size_t lineEnd_ = 0;  // bytes of the buffer that form whole lines
  off_t start_ = 0;     // where this file's writing began (Append: the old end)
  size_t written_ = 0;  // bytes that reached the file
  size_t lineEndInFile_ = 0;  // of those and the buffer's, where the last whole line ends
};

}  // namespace rowcast
