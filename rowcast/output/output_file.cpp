#include "rowcast/output/output_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/fault.h"
#include "platform/files/writable_file.h"
#include "rowcast/output/output_file_text.h"

namespace rowcast {

namespace {

constexpr size_t kInitialCapacity = size_t{256} * 1024;

// Plain text: nothing is special.
struct NoEscape {
  static constexpr size_t kMaxBytesPerUnit = 3;
  static bool special(char16_t) { return false; }
  static bool anySpecial(uint64_t) { return false; }
  static const char* replacement(char16_t) { return ""; }
};

const QString kSource = QStringLiteral("Rowcast");

// How the system's errors map onto the platform's file faults:
//   opening:  ENAMETOOLONG (and an empty name or one holding NUL) -> 52 Bad file name or number
//             ENOENT, ENOTDIR (a folder of the path is missing)  -> 76 Path not found
//             ETXTBSY, EBUSY (the file is in use)                -> 70 Permission denied
//             ENOSPC, EDQUOT                                     -> 61 Disk full
//             EACCES, EPERM, EROFS, EISDIR and anything else     -> 75 Path/File access error
//   writing and closing:
//             ENOSPC, EDQUOT, EFBIG                              -> 61 Disk full
//             EIO and anything else                              -> 57 Device I/O error
core::FaultError openFault(int error) {
  switch (error) {
    case ENAMETOOLONG: return core::FaultError(core::kBadFileNameOrNumber, kSource);
    case ENOENT:
    case ENOTDIR: return core::FaultError(core::kPathNotFound, kSource);
    case ETXTBSY:
    case EBUSY: return core::FaultError(core::kPermissionDenied, kSource);
    case ENOSPC:
    case EDQUOT: return core::FaultError(core::kDiskFull, kSource);
    default: return core::FaultError(core::kPathFileAccessError, kSource);
  }
}

// A FIFO, a device, a link to nothing or a file of the settings store takes
// nothing, and nothing waits for a reader: 75, Path/File access error, with
// what the path names.
core::FaultError refusal(const platform::WritableFile& opened, const QString& path) {
  if (opened.refusal == platform::WritableFile::Refusal::SystemError) return openFault(opened.error);
  return core::FaultError(core::kPathFileAccessError,
                          QStringLiteral("Path/File access error: %1 is %2").arg(path, opened.reason()), kSource);
}

core::FaultError writeFault(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return core::FaultError(core::kDiskFull, kSource);
    default: return core::FaultError(core::kDeviceIoError, kSource);
  }
}

}  // namespace

OutputFile::OutputFile(const QString& path, Mode mode, platform::LinkRule links) : mode_(mode) {
  if (path.isEmpty() || path.contains(QChar(0))) throw core::FaultError(core::kBadFileNameOrNumber, kSource);
  opened_ = platform::openWritableFile(
      path, mode == Mode::Append ? platform::WriteMode::Append : platform::WriteMode::Replace, links);
  if (!opened_.ok()) throw refusal(opened_, path);
  fd_ = opened_.fd;
  if (mode == Mode::Append) start_ = std::max<off_t>(0, ::lseek(fd_, 0, SEEK_END));
  buffer_ = std::make_unique<char[]>(kInitialCapacity);
  capacity_ = kInitialCapacity;
}

OutputFile::~OutputFile() {
  if (fd_ < 0) return;
  if (!writeFailed_) {
    try {
      writeOut(lineEnd_);
    } catch (...) {
    }
  }
  cutUnfinishedLine();
  ::close(fd_);
}

// Part of a line that was never finished went to the file already: it goes.
void OutputFile::cutUnfinishedLine() {
  if (written_ > lineEndInFile_) (void)::ftruncate(fd_, start_ + off_t(lineEndInFile_));
}

char* OutputFile::grow(size_t bytes) {
  size_t capacity = capacity_ * 2;
  while (capacity - used_ < bytes) capacity *= 2;
  auto bigger = std::make_unique<char[]>(capacity);
  std::memcpy(bigger.get(), buffer_.get(), used_);
  buffer_ = std::move(bigger);
  capacity_ = capacity;
  return buffer_.get() + used_;
}

void OutputFile::appendText(QStringView text) { appendEscaped<NoEscape>(text); }

// Writes the first `bytes` of the buffer and keeps the rest for later.
void OutputFile::writeOut(size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::write(fd_, buffer_.get() + done, bytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      writeFailed_ = true;
      throw writeFault(errno);
    }
    done += size_t(n);
    written_ += size_t(n);
  }
  std::memmove(buffer_.get(), buffer_.get() + bytes, used_ - bytes);
  used_ -= bytes;
  lineEnd_ = lineEnd_ > bytes ? lineEnd_ - bytes : 0;
}

void OutputFile::close() {
  writeOut(used_);
  const int fd = fd_;
  fd_ = -1;
  // After EINTR the descriptor is closed all the same on Linux.
  if (::close(fd) != 0 && errno != EINTR) throw writeFault(errno);
}

bool OutputFile::discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  return mode_ == Mode::Replace && platform::removeWrittenFile(opened_);
}

}  // namespace rowcast
