#include "rowcast/output/output_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/fault.h"
#include "platform/files/writable_file.h"

namespace rowcast {

namespace {

constexpr size_t kInitialCapacity = size_t{256} * 1024;
// The longest form one UTF-16 unit can take: "&quot;".
constexpr size_t kMaxBytesPerUnit = 6;

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

// What each form writes for the ASCII characters it must escape; `special`
// is the quick test the plain-character loop runs on every unit.
// Whether any of four ASCII units packed in `x` equals `c` (a zero lane in x ^ c).
bool anyUnitIs(uint64_t x, char16_t c) {
  const uint64_t v = x ^ (0x0001000100010001ull * c);
  return ((v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull) != 0;
}

struct NoEscape {
  static bool special(char16_t) { return false; }
  static bool anySpecial(uint64_t) { return false; }
  static const char* replacement(char16_t) { return ""; }
};
struct CsvEscape {
  static bool special(char16_t c) { return c == u'"'; }
  static bool anySpecial(uint64_t x) { return anyUnitIs(x, u'"'); }
  static const char* replacement(char16_t) { return "\"\""; }
};
// & (0x26) and " (0x22) differ in one bit, < (0x3C) and > (0x3E) in another:
// two tests cover the four characters.
struct HtmlEscape {
  static bool special(char16_t c) { return (c | 4) == 0x26 || (c | 2) == 0x3E; }
  static bool anySpecial(uint64_t x) {
    return anyUnitIs(x | 0x0004000400040004ull, 0x26) || anyUnitIs(x | 0x0002000200020002ull, 0x3E);
  }
  static const char* replacement(char16_t c) {
    switch (c) {
      case u'&': return "&amp;";
      case u'<': return "&lt;";
      case u'>': return "&gt;";
      default: return "&quot;";
    }
  }
};

}  // namespace

OutputFile::OutputFile(const QString& path, Mode mode, platform::LinkRule links) {
  if (path.isEmpty() || path.contains(QChar(0))) throw core::FaultError(core::kBadFileNameOrNumber, kSource);
  const platform::WritableFile opened = platform::openWritableFile(
      path, mode == Mode::Append ? platform::WriteMode::Append : platform::WriteMode::Replace, links);
  if (!opened.ok()) throw refusal(opened, path);
  fd_ = opened.fd;
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

void OutputFile::appendText(QStringView text) { appendConverted<NoEscape>(text, {}, {}); }

void OutputFile::appendCsvCell(QStringView text, bool first) {
  appendConverted<CsvEscape>(text, first ? "\"" : ",\"", "\"");
}

void OutputFile::appendHtmlEscaped(QStringView text) { appendConverted<HtmlEscape>(text, {}, {}); }

// A long text goes in pieces (never between the halves of a surrogate
// pair), and a line grown past kSpillAt goes to the file as it grows, so the
// buffer never holds more than a piece's worth beyond that.
template <class Escape>
void OutputFile::appendConverted(QStringView text, std::string_view before, std::string_view after) {
  while (text.size() > kPieceUnits) {
    qsizetype piece = kPieceUnits;
    if (QChar::isHighSurrogate(text[piece - 1].unicode())) --piece;
    appendPiece<Escape>(text.first(piece), before, {});
    before = {};
    text = text.sliced(piece);
    if (used_ - lineEnd_ >= kSpillAt) writeOut(used_);
  }
  appendPiece<Escape>(text, before, after);
}

// UTF-16 to UTF-8 straight into the buffer, between `before` and `after`; a
// lone surrogate becomes U+FFFD. Plain ASCII, by far the most common, goes
// four units at a time.
template <class Escape>
void OutputFile::appendPiece(QStringView text, std::string_view before, std::string_view after) {
  const char16_t* in = text.utf16();
  const char16_t* const end = in + text.size();
  char* const start = room(before.size() + size_t(text.size()) * kMaxBytesPerUnit + after.size());
  char* out = start;
  for (char c : before) *out++ = c;
  while (in < end) {
    while (end - in >= 4) {
      uint64_t units;
      std::memcpy(&units, in, sizeof units);
      if ((units & 0xFF80FF80FF80FF80ull) != 0 || Escape::anySpecial(units)) break;
      // The low byte of each 16-bit lane, side by side.
      const uint32_t bytes = uint32_t((units & 0xFF) | ((units >> 8) & 0xFF00) | ((units >> 16) & 0xFF0000) |
                                      ((units >> 24) & 0xFF000000));
      std::memcpy(out, &bytes, sizeof bytes);
      in += 4;
      out += 4;
    }
    if (in == end) break;
    const char16_t c = *in++;
    if (c < 0x80 && !Escape::special(c)) {
      *out++ = char(c);
    } else if (c < 0x80) {
      for (const char* r = Escape::replacement(c); *r; ++r) *out++ = *r;
    } else if (c < 0x800) {
      *out++ = char(0xC0 | (c >> 6));
      *out++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && in < end && QChar::isLowSurrogate(*in)) {
      const char32_t u = QChar::surrogateToUcs4(c, *in++);
      *out++ = char(0xF0 | (u >> 18));
      *out++ = char(0x80 | ((u >> 12) & 0x3F));
      *out++ = char(0x80 | ((u >> 6) & 0x3F));
      *out++ = char(0x80 | (u & 0x3F));
    } else {
      const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
      *out++ = char(0xE0 | (unit >> 12));
      *out++ = char(0x80 | ((unit >> 6) & 0x3F));
      *out++ = char(0x80 | (unit & 0x3F));
    }
  }
  for (char c : after) *out++ = c;
  used_ += size_t(out - start);
}

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

}  // namespace rowcast
