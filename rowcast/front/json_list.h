#pragma once
// Reads a list from JSON: {"name": "...", "columns": ["...", ...],
// "rows": [["...", ...], ...]}. Cells are texts; numbers are taken in their
// shortest text and null as an empty cell. "name" may be left out.
#include <QByteArray>
#include <QString>
#include <memory>

#include "rowcast/front/memory_list.h"

namespace rowcast {

// The list, or nullptr with `error` saying what is wrong and where.
std::shared_ptr<MemoryList> parseJsonList(const QByteArray& json, QString* error);
// A path that is not a regular file (a device, a pipe) is refused unread.
std::shared_ptr<MemoryList> loadJsonList(const QString& path, QString* error);

}  // namespace rowcast
