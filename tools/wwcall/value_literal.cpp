#include "tools/wwcall/value_literal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include "core/escape_text.h"
#include "core/number_text.h"

namespace tools {

using core::Value;

namespace {

std::optional<Value> parseInt(const QString& body, QString* error) {
  bool ok = false;
  qlonglong n = body.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? body.mid(2).toLongLong(&ok, 16)
                                                                           : body.toLongLong(&ok, 10);
  if (ok && body.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && n >= 0 && n <= 0xFFFFFFFFLL)
    return Value(int32_t(uint32_t(n)));  // 0x80000001 names a root handle
  if (!ok || n < INT32_MIN || n > INT32_MAX) {
    *error = QStringLiteral("not a 32-bit number: %1").arg(body);
    return std::nullopt;
  }
  return Value(int32_t(n));
}

std::optional<Value> parseArray(const QString& body, QString* error) {
  QJsonParseError parseError{};
  QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8(), &parseError);
  if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
    *error = QStringLiteral("not a JSON array of strings: %1").arg(body);
    return std::nullopt;
  }
  QStringList items;
  for (const QJsonValue& v : doc.array()) {
    if (!v.isString()) {
      *error = QStringLiteral("not a JSON array of strings: %1").arg(body);
      return std::nullopt;
    }
    items << v.toString();
  }
  return Value(items);
}

}  // namespace

std::optional<Value> parseValueLiteral(const QString& literal, QString* error, const ObjectLoader& loadList) {
  const qsizetype colon = literal.indexOf(QLatin1Char(':'));
  const QString tag = colon < 0 ? literal : literal.left(colon);
  const QString body = colon < 0 ? QString() : literal.mid(colon + 1);
  if (tag == QLatin1String("e") && body.isEmpty()) return Value();
  if (colon < 0) {
    *error = QStringLiteral("a value needs a type tag (e: i: d: b: s: a: list:): %1").arg(literal);
    return std::nullopt;
  }
  if (tag == QLatin1String("i")) return parseInt(body, error);
  if (tag == QLatin1String("d")) {
    bool ok = false;
    double d = body.toDouble(&ok);
    if (ok) return Value(d);
    *error = QStringLiteral("not a number: %1").arg(body);
    return std::nullopt;
  }
  if (tag == QLatin1String("b")) {
    if (body == QLatin1String("true")) return Value(true);
    if (body == QLatin1String("false")) return Value(false);
    *error = QStringLiteral("b: takes true or false: %1").arg(body);
    return std::nullopt;
  }
  if (tag == QLatin1String("s")) return Value(body);
  if (tag == QLatin1String("a")) return parseArray(body, error);
  if (tag == QLatin1String("list")) {
    if (!loadList) {
      *error = QStringLiteral("list: values are not available in this build");
      return std::nullopt;
    }
    std::shared_ptr<core::ValueObject> object = loadList(body, error);
    if (!object) return std::nullopt;
    return Value(object);
  }
  *error = QStringLiteral("unknown value type '%1' (use e: i: d: b: s: a: list:)").arg(tag);
  return std::nullopt;
}

QString formatValue(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Empty: return QStringLiteral("empty");
    case Value::Kind::Int32: return QStringLiteral("i:%1").arg(value.int32());
    case Value::Kind::Double: return QStringLiteral("d:") + core::numberToText(value.dbl());
    case Value::Kind::Bool: return value.boolean() ? QStringLiteral("b:true") : QStringLiteral("b:false");
    case Value::Kind::Text: return QStringLiteral("s:\"%1\"").arg(core::escapeText(value.text()));
    case Value::Kind::TextArray: {
      QStringList parts;
      for (const QString& s : value.textArray()) parts << QStringLiteral("\"%1\"").arg(core::escapeText(s));
      return QStringLiteral("a:[%1]").arg(parts.join(QLatin1Char(',')));
    }
    case Value::Kind::Object: return value.object() ? QStringLiteral("object") : QStringLiteral("nothing");
  }
  return {};
}

}  // namespace tools
