#include "rowcast/list/list_model.h"

namespace rowcast {

QString ListModel::cellText(int item, int column) const {
  if (column == 0) return itemText(item);
  if (column < 0 || column - 1 >= subItemCount(item)) return {};
  return subItemText(item, column - 1);
}

QStringView ListModel::itemTextView(int item, QString& scratch) const {
  scratch = itemText(item);
  return scratch;
}

QStringView ListModel::subItemTextView(int item, int subItem, QString& scratch) const {
  scratch = subItemText(item, subItem);
  return scratch;
}

}  // namespace rowcast
