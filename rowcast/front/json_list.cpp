#include "rowcast/front/json_list.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

#include "core/number_text.h"

namespace rowcast {

namespace {

std::optional<QString> cellText(const QJsonValue& v) {
  switch (v.type()) {
    case QJsonValue::String: return v.toString();
    case QJsonValue::Double: return core::numberToText(v.toDouble());
    case QJsonValue::Null: return QString();
    default: return std::nullopt;
  }
}

// The texts of a JSON array; `what` names it in the error.
std::optional<QStringList> texts(const QJsonValue& v, const QString& what, QString* error) {
  if (!v.isArray()) {
    *error = QStringLiteral("%1 must be an array").arg(what);
    return std::nullopt;
  }
  const QJsonArray array = v.toArray();
  QStringList result;
  result.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    std::optional<QString> text = cellText(array[i]);
    if (!text) {
      *error = QStringLiteral("%1[%2] must be a text, a number or null").arg(what).arg(i);
      return std::nullopt;
    }
    result << *text;
  }
  return result;
}

}  // namespace

std::shared_ptr<MemoryList> parseJsonList(const QByteArray& json, QString* error) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (doc.isNull()) {
    *error = QStringLiteral("not JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
    return nullptr;
  }
  if (!doc.isObject()) {
    *error = QStringLiteral("a list must be a JSON object with \"columns\" and \"rows\"");
    return nullptr;
  }
  const QJsonObject object = doc.object();
  const QJsonValue name = object.value(QLatin1String("name"));
  if (!name.isUndefined() && !name.isString()) {
    *error = QStringLiteral("\"name\" must be a text");
    return nullptr;
  }
  std::optional<QStringList> headers = texts(object.value(QLatin1String("columns")), QStringLiteral("columns"), error);
  if (!headers) return nullptr;
  const QJsonValue rowsValue = object.value(QLatin1String("rows"));
  if (!rowsValue.isArray()) {
    *error = QStringLiteral("rows must be an array of arrays");
    return nullptr;
  }
  const QJsonArray rows = rowsValue.toArray();
  auto list = std::make_shared<MemoryList>(name.toString(), *headers);
  list->reserveRows(size_t(rows.size()));
  for (qsizetype i = 0; i < rows.size(); ++i) {
    std::optional<QStringList> row = texts(rows[i], QStringLiteral("rows[%1]").arg(i), error);
    if (!row) return nullptr;
    list->addRow(*row);
  }
  return list;
}

std::shared_ptr<MemoryList> loadJsonList(const QString& path, QString* error) {
  // A device or pipe might never end (or never begin): only files are read.
  if (const QFileInfo info(path); info.exists() && !info.isFile()) {
    *error = QStringLiteral("%1: not a regular file").arg(path);
    return nullptr;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return nullptr;
  }
  std::shared_ptr<MemoryList> list = parseJsonList(file.readAll(), error);
  if (!list) *error = QStringLiteral("%1: %2").arg(path, *error);
  return list;
}

}  // namespace rowcast
