#include "coravel/graph/profile_table.h"

#include <algorithm>
#include <climits>

#include "coravel/graph/profile_reader.h"

namespace coravel {

ProfileTable::ProfileTable(QObject* parent) : QAbstractTableModel(parent) {}

int ProfileTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : itemCount(); }

int ProfileTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ProfileTable::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= itemCount()) return {};
  return cellText(index.row(), index.column());
}

QVariant ProfileTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  return columnHeader(section);
}

QString ProfileTable::columnHeader(int column) {
  static const char* const kHeaders[kColumnCount] = {
      "Date",        "Start",        "Finish",    "Worked",     "Regular", "Overtime",       "Regular Pay",
      "Overtime Pay", "Total Pay", "Deductions", "Bonuses", "Multi-Pay Rate", "Lunch"};
  if (column < 0 || column >= kColumnCount) return {};
  return QString::fromLatin1(kHeaders[column]);
}

// The file text that holds row `item`, and where the row's record starts in it.
std::string_view ProfileTable::recordText(int item, size_t* start) const {
  auto after = std::upper_bound(files_.begin(), files_.end(), item,
                                [](int row, const FileText& f) { return row < f.firstRow; });
  const FileText& file = *(after - 1);
  *start = static_cast<size_t>(file.recordStarts[static_cast<size_t>(item - file.firstRow)]);
  return std::string_view(file.bytes.constData(), static_cast<size_t>(file.bytes.size()));
}

ProfileTable::Row ProfileTable::row(int item) const {
  Row cells;
  leadingCells(item, cells.data(), kColumnCount);
  return cells;
}

void ProfileTable::leadingCells(int item, std::string_view* cells, int count) const {
  size_t start = 0;
  const std::string_view text = recordText(item, &start);
  ProfileReader reader(text, start);
  for (int c = 0; c < count && c < kColumnCount; ++c) cells[c] = reader.readField();
}

std::string_view ProfileTable::cell(int item, int column) const {
  if (column < 0 || column >= kColumnCount) return {};
  std::string_view cells[kColumnCount];
  leadingCells(item, cells, column + 1);
  return cells[column];
}

QString ProfileTable::cellText(int item, int column) const {
  const std::string_view c = cell(item, column);
  return QString::fromLatin1(c.data(), static_cast<qsizetype>(c.size()));
}

void ProfileTable::appendRecords(QByteArray text, RecordStarts recordStarts) {
  // Row numbers are ints, as in every item model; rows past that are not listed.
  const size_t room = static_cast<size_t>(INT_MAX - rowCount_);
  recordStarts.truncate(room);
  if (recordStarts.empty()) return;
  const int first = rowCount_;
  const int count = static_cast<int>(recordStarts.size());
  beginInsertRows(QModelIndex(), first, first + count - 1);
  textBytes_ += text.size();
  files_.push_back({std::move(text), first, std::move(recordStarts)});
  rowCount_ += count;
  endInsertRows();
}

void ProfileTable::clear() {
  beginResetModel();
  files_.clear();
  files_.shrink_to_fit();
  rowCount_ = 0;
  textBytes_ = 0;
  ++generation_;
  endResetModel();
}

}  // namespace coravel
