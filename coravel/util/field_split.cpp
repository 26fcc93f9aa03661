#include "coravel/util/field_split.h"

#include <array>
#include <new>

#include "core/fault.h"

namespace coravel {

namespace {

// Makes `fields` hold indices 0 to `index`, keeping what those held.
void holdIndices(QStringList& fields, qsizetype index) {
  if (fields.size() > index + 1) fields.resize(index + 1);
  while (fields.size() < index + 1) fields.append(QString());  // amortised growth, one at a time
}

// Whether a character is one of the delimiters: by table for the
// single-byte codes, which is all that a host's delimiters are in practice.
class DelimiterSet {
 public:
  explicit DelimiterSet(const QString& delimiters) {
    for (QChar c : delimiters) {
      if (c.unicode() < byCode_.size()) {
        byCode_[c.unicode()] = true;
      } else {
        others_ += c;
      }
    }
  }
  bool operator()(QChar c) const { return c.unicode() < byCode_.size() ? byCode_[c.unicode()] : others_.contains(c); }

 private:
  std::array<bool, 256> byCode_{};
  QString others_;
};

}  // namespace

int16_t splitAtSeparator(QString& text, const QString& separator, QStringList& fields, int16_t& next) {
  if (separator.isEmpty()) return core::kInvalidProcedureCall;  // would find an empty field for ever
  try {
    if (!text.endsWith(separator)) text += separator;
    const QChar* chars = text.constData();
    qsizetype start = 0;
    for (qsizetype found = text.indexOf(separator, start); found >= 0; found = text.indexOf(separator, start)) {
      if (next < 0) return core::kSubscriptOutOfRange;
      if (fields.size() == next) {
        fields.emplaceBack(chars + start, found - start);
      } else {
        holdIndices(fields, next);
        fields[next] = QString(chars + start, found - start);
      }
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

int32_t splitAtDelimiters(const QString& text, QString& delimiters, QStringList& fields) {
  if (delimiters.isEmpty()) delimiters = defaultDelimiters();
  const DelimiterSet isDelimiter(delimiters);
  // A text that does not end in a delimiter is cut as if the first one followed it.
  const qsizetype length = text.isEmpty() || !isDelimiter(text.back()) ? text.size() + 1 : text.size();

  QStringList result;
  const QChar* chars = text.constData();
  qsizetype fieldStart = 0;
  for (qsizetype i = 0; i < length; ++i) {
    if (i < text.size() && !isDelimiter(chars[i])) continue;
    result.emplaceBack(chars + fieldStart, i - fieldStart);
    fieldStart = i + 1;
  }
  fields = std::move(result);
  // A text of one field start and one delimiter reaches no further.
  return fieldStart >= 2 ? int32_t(fields.size() - 1) : -1;
}

}  // namespace coravel
