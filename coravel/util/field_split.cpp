#include "coravel/util/field_split.h"

#include <new>

#include "core/fault.h"

namespace coravel {

namespace {

// Makes `fields` hold indices 0 to `index`, keeping what those held.
void holdIndices(QStringList& fields, qsizetype index) {
  if (fields.size() > index + 1) fields.resize(index + 1);
  while (fields.size() < index + 1) fields.append(QString());  // amortised growth, one at a time
}

}  // namespace

int16_t splitAtSeparator(QString& text, const QString& separator, QStringList& fields, int16_t& next) {
  if (separator.isEmpty()) return core::kInvalidProcedureCall;  // would find an empty field for ever
  try {
    if (!text.endsWith(separator)) text += separator;
    qsizetype start = 0;
    for (qsizetype found = text.indexOf(separator, start); found >= 0; found = text.indexOf(separator, start)) {
      if (next < 0) return core::kSubscriptOutOfRange;
      holdIndices(fields, next);
      fields[next] = text.mid(start, found - start);
      if (next == INT16_MAX) return core::kOverflow;
      ++next;
      start = found + separator.size();
    }
    return 0;
  } catch (const std::bad_alloc&) {
    return core::kOutOfMemory;
  }
}

QString defaultDelimiters() { return QStringView(u" ;\0\t\n\r", 6).toString(); }

int32_t splitAtDelimiters(QString text, QString& delimiters, QStringList& fields) {
  if (delimiters.isEmpty()) delimiters = defaultDelimiters();
  if (text.isEmpty() || !delimiters.contains(text.back())) text += delimiters.front();

  QStringList result;
  qsizetype fieldStart = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!delimiters.contains(text[i])) continue;
    result.append(text.mid(fieldStart, i - fieldStart));
    fieldStart = i + 1;
  }
  fields = std::move(result);
  // A text of one field start and one delimiter reaches no further.
  return fieldStart >= 2 ? int32_t(fields.size() - 1) : -1;
}

}  // namespace coravel
