#pragma once
// A list over any QAbstractItemModel: the horizontal header data are the
// column headers, column 0 of each top-level row is the item text and the
// other columns its sub-items. The model stays the host's; when it is
// destroyed while the list is still held, reading fails with "Object required".
#include <QAbstractItemModel>
#include <QPointer>

#include "rowcast/list/list_model.h"

namespace rowcast {

class ItemModelList : public ListModel {
 public:
  ItemModelList(const QAbstractItemModel* model, QString name);

  QString name() const override { return name_; }
  int columnCount() const override;
  QString columnHeaderText(int column) const override;
  int itemCount() const override;
  QString itemText(int item) const override;
  int subItemCount(int item) const override;
  QString subItemText(int item, int subItem) const override;

 private:
  const QAbstractItemModel& model() const;
  QString cell(int row, int column) const;

  QPointer<const QAbstractItemModel> model_;
  QString name_;
};

}  // namespace rowcast
