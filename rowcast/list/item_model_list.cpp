#include "rowcast/list/item_model_list.h"

#include "core/fault.h"

namespace rowcast {

ItemModelList::ItemModelList(const QAbstractItemModel* model, QString name)
    : model_(model), name_(std::move(name)) {}

const QAbstractItemModel& ItemModelList::model() const {
  if (!model_) throw core::FaultError(core::kObjectRequired, QStringLiteral("Rowcast.ItemModelList"));
  return *model_;
}

int ItemModelList::columnCount() const { return model().columnCount(); }

QString ItemModelList::columnHeaderText(int column) const {
  return model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

int ItemModelList::itemCount() const { return model().rowCount(); }

QString ItemModelList::itemText(int item) const { return cell(item, 0); }

// Every row of a table model has all of its columns.
int ItemModelList::subItemCount(int) const { return qMax(0, model().columnCount() - 1); }

QString ItemModelList::subItemText(int item, int subItem) const { return cell(item, subItem + 1); }

QString ItemModelList::cell(int row, int column) const {
  const QAbstractItemModel& m = model();
  return m.data(m.index(row, column), Qt::DisplayRole).toString();
}

}  // namespace rowcast
