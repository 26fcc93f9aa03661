#include "tools/wwcall/list_loader.h"

#include "rowcast/list/json_list.h"

namespace tools {

std::shared_ptr<core::ValueObject> loadListLiteral(const QString& path, QString* error) {
  QString reason;
  std::shared_ptr<rowcast::MemoryList> list = rowcast::loadJsonList(path, &reason);
  if (!list) *error = QStringLiteral("list:%1").arg(reason);
  return list;
}

}  // namespace tools
