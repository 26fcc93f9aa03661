#include "tools/wwcall/list_loader.h"

namespace tools {

std::shared_ptr<core::ValueObject> loadListLiteral(const QString& path, QString* error) {
  *error = QStringLiteral("list:%1: lists are not available in this build").arg(path);
  return nullptr;
}

}  // namespace tools
