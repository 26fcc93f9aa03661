#pragma once
// Cutting a text into fields, in the two ways the host uses: at one separator
// text (Splits), or at any character of a delimiter set (sSplit).
#include <QString>
#include <QStringList>
#include <cstdint>

namespace coravel {

// Cuts `text` at each whole occurrence of `separator` into `fields`, from
// index `next` on; `next` ends as the index after the last field stored, so
// fields are appended behind those already held (entries past `next` on
// entry are dropped). `separator` is first appended to `text` unless the text
// already ends with it, so the last field is always taken. Returns 0, or the
// number of the fault that stopped the cut (6 when `next` passes 32,767,
// 5 for an empty separator, 9 for a negative `next`); what was stored before
// stays.
int16_t splitAtSeparator(QString& text, const QString& separator, QStringList& fields, int16_t& next);

// The delimiters sSplit uses when it is given none: blank, semicolon, the
// character 0, tab, line feed, carriage return.
QString defaultDelimiters();

// Cuts `text` at every character of `delimiters` (the default set written
// into it when empty) into `fields`, which end up holding exactly the fields.
// A text not ending in a delimiter is treated as if it did. Returns the
// highest index filled, or -1 when the text was empty or one delimiter.
int32_t splitAtDelimiters(const QString& text, QString& delimiters, QStringList& fields);

}  // namespace coravel
