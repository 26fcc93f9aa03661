#pragma once
// A list held in memory: a name, column headers and rows of texts. Rows keep
// their own length (the first text is the item, the rest its sub-items).
#include <QStringList>
#include <vector>

#include "rowcast/list/list_model.h"

namespace rowcast {

class MemoryList : public ListModel {
 public:
  MemoryList() = default;
  MemoryList(QString name, QStringList headers, std::vector<QStringList> rows = {});

  void addRow(QStringList row) { rows_.push_back(std::move(row)); }
  void reserveRows(size_t count) { rows_.reserve(count); }

  QString name() const override { return name_; }
  int columnCount() const override { return int(headers_.size()); }
  QString columnHeaderText(int column) const override { return headers_.at(column); }
  int itemCount() const override { return int(rows_.size()); }
  QString itemText(int item) const override;
  int subItemCount(int item) const override;
  QString subItemText(int item, int subItem) const override { return rows_.at(size_t(item)).at(subItem + 1); }
  QStringView itemTextView(int item, QString&) const override;
  QStringView subItemTextView(int item, int subItem, QString&) const override {
    return rows_.at(size_t(item)).at(subItem + 1);
  }

 private:
  QString name_;
  QStringList headers_;
  std::vector<QStringList> rows_;
};

}  // namespace rowcast
