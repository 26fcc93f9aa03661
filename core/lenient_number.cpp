#include "core/lenient_number.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace core {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Exponent digits beyond this change nothing: any such exponent already puts
// the number far outside the double range.
constexpr int kExponentCap = 100000;

// A short ASCII buffer on the stack that moves to the heap only for very long
// digit runs, so a typical cell costs no allocation.
class DigitBuffer {
 public:
  void push(char c) {
    if (heap_.empty() && size_ < sizeof(stack_)) {
      stack_[size_++] = c;
      return;
    }
    if (heap_.empty()) heap_.assign(stack_, size_);
    heap_.push_back(c);
  }
  void append(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) push(s[i]);
  }
  const char* begin() const { return heap_.empty() ? stack_ : heap_.data(); }
  const char* end() const { return heap_.empty() ? stack_ + size_ : heap_.data() + heap_.size(); }

 private:
  char stack_[96];
  size_t size_ = 0;
  std::string heap_;
};

// Walks the text; in the lenient reading blanks are invisible everywhere.
struct Cursor {
  const char16_t* p;
  const char16_t* end;
  bool skipBlanks;

  char16_t peek() {
    if (skipBlanks)
      while (p < end && isBlank(*p)) ++p;
    return p < end ? *p : u'\0';
  }
  void next() { ++p; }
};

int digitValue(char16_t c, int base) {
  int d;
  if (c >= u'0' && c <= u'9') d = c - u'0';
  else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
  else return -1;
  return d < base ? d : -1;
}

struct Parsed {
  bool found = false;  // a number was read
  double value = 0.0;
};

// "&H..." / "&O...": the platform keeps values that fit 16 bits as a signed
// 16-bit number and values that fit 32 bits as a signed 32-bit number.
Parsed parseRadix(Cursor& c, int base) {
  uint64_t whole = 0;
  double wide = 0.0;  // takes over once the digits pass 64 bits
  bool tooWide = false;
  bool any = false;
  for (int d; (d = digitValue(c.peek(), base)) >= 0; c.next()) {
    any = true;
    wide = wide * base + d;
    if (!tooWide && (__builtin_mul_overflow(whole, static_cast<uint64_t>(base), &whole) ||
                     __builtin_add_overflow(whole, static_cast<uint64_t>(d), &whole)))
      tooWide = true;
  }
  if (!any) return {};
  if (tooWide) return {true, wide};
  if (whole <= 0xFFFFu) return {true, static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(whole)))};
  if (whole <= 0xFFFFFFFFu) return {true, static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(whole)))};
  return {true, static_cast<double>(whole)};
}

// Reads one number at the cursor. In the strict reading a dangling exponent
// ("1E") is not a number; in the lenient one it is simply not part of it.
Parsed parseNumber(Cursor& c, bool strict) {
  if (c.peek() == u'&') {
    c.next();
    char16_t kind = c.peek();
    if (kind == u'H' || kind == u'h') { c.next(); return parseRadix(c, 16); }
    if (kind == u'O' || kind == u'o') { c.next(); return parseRadix(c, 8); }
    return {};
  }

  DigitBuffer buf;
  char16_t ch = c.peek();
  bool negative = false;
  if (ch == u'+' || ch == u'-') {
    negative = ch == u'-';
    c.next();
  }
  if (negative) buf.push('-');
  buf.push('0');  // keeps ".5" and "5." in a form from_chars accepts

  bool anyDigit = false, point = false;
  int intDigits = 0;        // integer digits after leading zeros
  int fractionZeros = 0;    // zeros right after the point, before any other digit
  bool fractionSignificant = false;
  for (;; c.next()) {
    ch = c.peek();
    if (ch >= u'0' && ch <= u'9') {
      anyDigit = true;
      if (!point) {
        if (intDigits == 0 && ch == u'0') continue;  // leading zeros carry nothing
        ++intDigits;
      } else if (!fractionSignificant) {
        if (ch == u'0') ++fractionZeros;
        else fractionSignificant = true;
      }
      buf.push(static_cast<char>(ch));
    } else if (ch == u'.' && !point) {
      point = true;
      buf.push('.');
    } else {
      break;
    }
  }
  if (!anyDigit) return {};

  int exponent = 0;
  ch = c.peek();
  if (ch == u'E' || ch == u'e' || ch == u'D' || ch == u'd') {
    c.next();
    ch = c.peek();
    bool expNegative = false;
    if (ch == u'+' || ch == u'-') {
      expNegative = ch == u'-';
      c.next();
    }
    bool expDigit = false;
    for (; (ch = c.peek()) >= u'0' && ch <= u'9'; c.next()) {
      expDigit = true;
      if (exponent < kExponentCap) exponent = exponent * 10 + (ch - u'0');
    }
    if (!expDigit && strict) return {};
    if (expNegative) exponent = -exponent;
    if (exponent != 0) {
      char text[16];
      text[0] = 'e';
      auto r = std::to_chars(text + 1, text + sizeof(text), exponent);
      buf.append(text, static_cast<size_t>(r.ptr - text));
    }
  }

  double value = 0.0;
  auto r = std::from_chars(buf.begin(), buf.end(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Out of the double range. Overflow saturates to the largest finite double
    // rather than infinity: callers format and compare these values, and a
    // finite value keeps every later step defined. Underflow reads as zero.
    long magnitude = intDigits > 0 ? static_cast<long>(intDigits) + exponent
                                   : static_cast<long>(exponent) - fractionZeros;
    value = magnitude > 0 ? DBL_MAX : 0.0;
    if (negative) value = -value;
  }
  return {true, value};
}

}  // namespace

double readLenientNumber(QStringView text) {
  Cursor c{text.utf16(), text.utf16() + text.size(), true};
  return parseNumber(c, false).value;
}

std::optional<double> readStrictNumber(QStringView text) {
  const char16_t* p = text.utf16();
  const char16_t* end = p + text.size();
  while (p < end && isBlank(*p)) ++p;
  while (end > p && isBlank(end[-1])) --end;
  Cursor c{p, end, false};
  Parsed parsed = parseNumber(c, true);
  if (!parsed.found || c.p != end) return std::nullopt;
  return parsed.value;
}

}  // namespace core
