#pragma once
// Value literals of the command line ("i:42", "s:text", ...) and the printed
// form of values ("i:42", "s:\"text\"", ...).
#include <QString>
#include <functional>
#include <optional>

#include "core/value.h"

namespace tools {

// Makes an object from the text after "list:" (the list loader of the output
// library plugs in here); nullptr with `error` set on failure.
using ObjectLoader = std::function<std::shared_ptr<core::ValueObject>(const QString& text, QString* error)>;

// e: empty; i:42 or i:0x80000001 (32-bit, hex wraps); d:1.5; b:true|false;
// s:TEXT; a:["x","y"] (JSON strings); list:FILE.json through `loadList`.
// Nothing, with `error` set, for a malformed literal.
std::optional<core::Value> parseValueLiteral(const QString& literal, QString* error,
                                             const ObjectLoader& loadList = {});

// empty, i:42, d:1.5, b:true, s:"..." (escaped), a:["x","y"], object.
QString formatValue(const core::Value& value);

}  // namespace tools
