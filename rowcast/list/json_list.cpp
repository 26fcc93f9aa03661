#include "rowcast/list/json_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
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

namespace {

// The file's bytes, or nullopt with `error` set. Opening does not wait (a
// pipe without a writer would never answer), and a file that is not
// regular or is too large is refused before anything is read.
std::optional<QByteArray> readBoundedFile(const QString& path, QString* error) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return std::nullopt;
  }
  struct stat st{};
  QFile file;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = QStringLiteral("%1: not a regular file").arg(path);
  } else if (st.st_size > kMaxJsonListBytes) {
    *error = QStringLiteral("%1: %2 bytes, more than the %3 a list file may have")
                 .arg(path)
                 .arg(qint64(st.st_size))
                 .arg(kMaxJsonListBytes);
  } else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  } else {
    QByteArray bytes = file.read(kMaxJsonListBytes + 1);  // the file may have grown since
    if (bytes.size() <= kMaxJsonListBytes) return bytes;
    *error = QStringLiteral("%1: more than the %2 bytes a list file may have").arg(path).arg(kMaxJsonListBytes);
    return std::nullopt;
  }
  ::close(fd);
  return std::nullopt;
}

}  // namespace

std::shared_ptr<MemoryList> loadJsonList(const QString& path, QString* error) {
  std::optional<QByteArray> bytes = readBoundedFile(path, error);
  if (!bytes) return nullptr;
  std::shared_ptr<MemoryList> list = parseJsonList(*bytes, error);
  if (!list) *error = QStringLiteral("%1: %2").arg(path, *error);
  return list;
}

}  // namespace rowcast
