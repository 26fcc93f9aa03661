#include "core/truth_text.h"

#include "core/fault.h"
#include "core/lenient_number.h"

namespace core {

QString truthToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

bool readTruthText(const std::optional<QString>& text) {
  if (!text) return false;
  const QStringView word = QStringView(*text).trimmed();
  if (word.compare(u"true", Qt::CaseInsensitive) == 0) return true;
  if (word.compare(u"false", Qt::CaseInsensitive) == 0) return false;
  if (std::optional<double> number = readStrictNumber(word)) return *number != 0.0;
  throw FaultError(kTypeMismatch);
}

}  // namespace core
