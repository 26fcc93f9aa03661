// Lenient and strict number reading, and number-to-text.
//
// Properties:
//  - the lenient reading never fails and always gives a finite number;
//  - where the strict reading accepts a text, the lenient one reads the same
//    number from it;
//  - a finite number's text reads back (strictly) as a number whose text is
//    that same text, within the 15 significant digits the text keeps; the
//    text is thus a fixed point after one step. Not-a-number and the
//    infinities give texts that the strict reading refuses.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/lenient_number.h"
#include "core/number_text.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

std::string show(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

void checkRoundTrip(double value) {
  const QString text = core::numberToText(value);
  const std::optional<double> back = core::readStrictNumber(text);
  if (!std::isfinite(value)) {
    FUZZ_CHECK(!back, "text " + text.toStdString());
    return;
  }
  FUZZ_CHECK(back, "value " + show(value) + " text " + text.toStdString());
  FUZZ_CHECK(core::numberToText(*back) == text,
             "value " + show(value) + " text " + text.toStdString() + " again " +
                 core::numberToText(*back).toStdString());
  FUZZ_CHECK(std::fabs(*back - value) <= 1e-14 * std::fabs(value),
             "value " + show(value) + " back " + show(*back));
  FUZZ_CHECK(core::readLenientNumber(text) == *back, "text " + text.toStdString());
}

void checkReading(const QString& text) {
  const double lenient = core::readLenientNumber(text);
  FUZZ_CHECK(std::isfinite(lenient), "text " + text.toStdString());
  const std::optional<double> strict = core::readStrictNumber(text);
  if (strict) {
    FUZZ_CHECK(std::isfinite(*strict), "text " + text.toStdString());
    FUZZ_CHECK(*strict == lenient, "text " + text.toStdString() + " strict " + show(*strict) + " lenient " +
                                       show(lenient));
  }
  checkRoundTrip(lenient);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  switch (in.byte() % 3) {
    case 0: {  // any bit pattern as a number
      uint64_t bits = uint64_t(in.u32()) | uint64_t(in.u32()) << 32;
      double value;
      std::memcpy(&value, &bits, sizeof value);
      checkRoundTrip(value);
      break;
    }
    case 1:  // text leaning towards numbers
      checkReading(in.text(in.remaining()));
      break;
    default:  // raw bytes as Latin-1 text
      checkReading(QString::fromLatin1(in.rest()));
      break;
  }
  return 0;
}
