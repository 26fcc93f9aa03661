#pragma once
// Reads a list from JSON: {"name": "...", "columns": ["...", ...],
// "rows": [["...", ...], ...]}. Cells are texts; numbers are taken in their
// shortest text and null as an empty cell. "name" may be left out.
#include <QByteArray>
#include <QString>
#include <memory>

#include "rowcast/list/memory_list.h"

namespace rowcast {

// The list, or nullptr with `error` saying what is wrong and where.
std::shared_ptr<MemoryList> parseJsonList(const QByteArray& json, QString* error);
// The largest list file read: larger ones are refused before being read.
inline constexpr qint64 kMaxJsonListBytes = qint64(64) << 20;

// A path that is not a regular file (a device, a pipe, a folder) or is larger
// than kMaxJsonListBytes is refused unread; opening it never waits.
std::shared_ptr<MemoryList> loadJsonList(const QString& path, QString* error);

}  // namespace rowcast
