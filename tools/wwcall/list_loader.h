#pragma once
// The object behind "list:FILE.json": a list for the output library, read
// from {"name": "...", "columns": [...], "rows": [[...], ...]}.
#include "tools/wwcall/value_literal.h"

namespace tools {

std::shared_ptr<core::ValueObject> loadListLiteral(const QString& path, QString* error);

}  // namespace tools
