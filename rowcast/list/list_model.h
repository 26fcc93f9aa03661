#pragma once
// The read-only view of a report-style list that every output reads: its
// name, column headers, and rows of an item text plus sub-item texts.
// Indices are 0-based. Rows may hold fewer cells than there are columns.
// Any member may throw (core::FaultError or another exception) when the
// list cannot be read; outputs catch that and report it.
#include <QString>
#include <QStringView>

#include "core/value.h"

namespace rowcast {

class ListModel : public core::ValueObject {
 public:
  virtual QString name() const = 0;  // the list's own name, for default titles

  virtual int columnCount() const = 0;
  virtual QString columnHeaderText(int column) const = 0;

  virtual int itemCount() const = 0;
  virtual QString itemText(int item) const = 0;  // the row's first cell
  // The row's further cells, column 2 onward, as many as the row was given.
  virtual int subItemCount(int item) const = 0;
  virtual QString subItemText(int item, int subItem) const = 0;

  // The text of cell `column` of a row, empty where the row holds no such cell.
  QString cellText(int item, int column) const;

  // The same texts for readers that go through every cell once: a view that
  // stays valid until `scratch` is next used or the list changes. Lists that
  // hold their texts return views of them and spare a copy per cell.
  virtual QStringView itemTextView(int item, QString& scratch) const;
  virtual QStringView subItemTextView(int item, int subItem, QString& scratch) const;
};

}  // namespace rowcast
