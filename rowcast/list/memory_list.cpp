#include "rowcast/list/memory_list.h"

namespace rowcast {

MemoryList::MemoryList(QString name, QStringList headers, std::vector<QStringList> rows)
    : name_(std::move(name)), headers_(std::move(headers)), rows_(std::move(rows)) {}

// An empty row still stands for an item, with empty text and no sub-items.
QString MemoryList::itemText(int item) const {
  const QStringList& row = rows_.at(size_t(item));
  return row.isEmpty() ? QString() : row.first();
}

QStringView MemoryList::itemTextView(int item, QString&) const {
  const QStringList& row = rows_.at(size_t(item));
  return row.isEmpty() ? QStringView() : QStringView(row.first());
}

int MemoryList::subItemCount(int item) const {
  const QStringList& row = rows_.at(size_t(item));
  return row.isEmpty() ? 0 : int(row.size()) - 1;
}

}  // namespace rowcast
