#pragma once
// The graph window's list of loaded profile rows (ListViewGraph): 13 text
// columns, "Date" to "Lunch". A million rows are common, so the list keeps
// each file's text once, as read, and a row is only where its record starts
// in that text; a cell is read out of the record when asked for. Views over
// it (a QTableView, or Rowcast's ItemModelList) read it as any table model.
#include <QAbstractTableModel>
#include <QByteArray>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "coravel/graph/record_starts.h"

namespace coravel {

class ProfileTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 13;
  static constexpr int kDateColumn = 0;
  static constexpr int kTotalPayColumn = 8;
  using Row = std::array<std::string_view, kColumnCount>;

  explicit ProfileTable(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  int itemCount() const { return rowCount_; }
  // The cells of a row as they stand in the file: bytes of ISO 8859-1, valid
  // until the list is cleared. Cells a short final record lacks are empty.
  Row row(int item) const;
  // One cell; reads the record only as far as that cell.
  std::string_view cell(int item, int column) const;
  // The first `count` cells of a row into `cells`, read in one pass.
  void leadingCells(int item, std::string_view* cells, int count) const;
  QString cellText(int item, int column) const;

  // Appends one file's records, in order: `recordStarts` are where each
  // begins in `text`. The list keeps the text for as long as it keeps the rows.
  void appendRecords(QByteArray text, RecordStarts recordStarts);
  // Removes every row and the texts they came from.
  void clear();
  // Counts the clears, so that a long load can tell the list was emptied
  // under it (by a reset that ran while the load let events through).
  uint64_t generation() const { return generation_; }
  // Bytes of file text held.
  int64_t textBytes() const { return textBytes_; }

  static QString columnHeader(int column);

 private:
  struct FileText {
    QByteArray bytes;
    int firstRow = 0;
    RecordStarts recordStarts;  // one per row, in row order
  };
  std::string_view recordText(int item, size_t* start) const;

  std::vector<FileText> files_;
  int rowCount_ = 0;
  uint64_t generation_ = 0;
  int64_t textBytes_ = 0;
};

}  // namespace coravel
