#include "tools/wwcall/value_literal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include "core/escape_text.h"
#include "core/number_text.h"

namespace tools {

using core::Value;

namespace {

// Decimal with an optional sign, or 0x and hexadecimal digits (no sign: a
// handle such as 0x80000001 is written as its bits).
std::optional<Value> parseInt(const QString& body, QString* error) {
  static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
  static const QRegularExpression hex(QStringLiteral("^0[xX][0-9a-fA-F]+$"));
  bool ok = false;
  if (hex.match(body).hasMatch()) {
    const qulonglong n = body.mid(2).toULongLong(&ok, 16);
    if (ok && n <= 0xFFFFFFFFULL) return Value(int32_t(uint32_t(n)));
  } else if (decimal.match(body).hasMatch()) {
    const qlonglong n = body.toLongLong(&ok, 10);
    if (ok && n >= INT32_MIN && n <= INT32_MAX) return Value(int32_t(n));
  }
  *error = QStringLiteral("not a 32-bit number: %1").arg(body);
  return std::nullopt;
}

std::optional<Value> parseArray(const QString& body, QString* error) {
  QJsonParseError parseError{};
  QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8(), &parseError);
  if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
    *error = QStringLiteral("not a JSON array of strings: %1").arg(body);
    return std::nullopt;
  }
  QStringList items;
  for (const QJsonValue v : doc.array()) {
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
