#include "core/no_round.h"

#include <charconv>
#include <cmath>
#include <string>

#include "core/lenient_number.h"

namespace core {

namespace {

// Adds one unit of the last digit to the magnitude of a decimal text
// ("-9.99" becomes "-10.00").
void addOneLastUnit(std::string& text) {
  for (size_t i = text.size(); i-- > 0;) {
    char& c = text[i];
    if (c == '.') continue;
    if (c == '-') {
      text.insert(i + 1, 1, '1');
      return;
    }
    if (c != '9') {
      ++c;
      return;
    }
    c = '0';
  }
  text.insert(0, 1, '1');
}

}  // namespace

double cutToHundredths(double value) {
  if (!std::isfinite(value)) return value;
  // Fixed notation of the largest double has 309 digits, of the smallest
  // about 330 places.
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (error != std::errc()) return value;
  std::string text(buffer, end);
  const size_t point = text.find('.');
  if (point == std::string::npos || text.size() <= point + 3) return value == 0 ? 0.0 : value;

  const bool dropsAFraction = text.find_first_not_of('0', point + 3) != std::string::npos;
  text.resize(point + 3);
  if (dropsAFraction && text.front() == '-') addOneLastUnit(text);  // toward minus infinity
  double cut = 0;
  std::from_chars(text.data(), text.data() + text.size(), cut);
  return cut == 0 ? 0.0 : cut;  // no negative zero
}

double noRound(QStringView text) { return cutToHundredths(readLenientNumber(text)); }

}  // namespace core
