// The list JSON loader given any bytes. It either gives a list or says why
// not; a list it gives, written back as JSON with every cell a text, loads
// again to the same name, headers and rows.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "fuzz/fuzz_check.h"
#include "rowcast/list/json_list.h"

namespace {

QByteArray toJson(const rowcast::MemoryList& list) {
  QJsonArray columns;
  for (int c = 0; c < list.columnCount(); ++c) columns.append(list.columnHeaderText(c));
  QJsonArray rows;
  for (int item = 0; item < list.itemCount(); ++item) {
    QJsonArray row;
    // An empty row and a row of one empty text read back alike; keep the form.
    if (list.subItemCount(item) > 0 || !list.itemText(item).isEmpty()) row.append(list.itemText(item));
    for (int sub = 0; sub < list.subItemCount(item); ++sub) row.append(list.subItemText(item, sub));
    rows.append(row);
  }
  return QJsonDocument(QJsonObject{{QStringLiteral("name"), list.name()},
                                   {QStringLiteral("columns"), columns},
                                   {QStringLiteral("rows"), rows}})
      .toJson();
}

bool sameList(const rowcast::MemoryList& a, const rowcast::MemoryList& b) {
  if (a.name() != b.name() || a.columnCount() != b.columnCount() || a.itemCount() != b.itemCount()) return false;
  for (int c = 0; c < a.columnCount(); ++c)
    if (a.columnHeaderText(c) != b.columnHeaderText(c)) return false;
  for (int item = 0; item < a.itemCount(); ++item) {
    if (a.itemText(item) != b.itemText(item) || a.subItemCount(item) != b.subItemCount(item)) return false;
    for (int sub = 0; sub < a.subItemCount(item); ++sub)
      if (a.subItemText(item, sub) != b.subItemText(item, sub)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString error;
  const std::shared_ptr<rowcast::MemoryList> list =
      rowcast::parseJsonList(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
  if (!list) {
    FUZZ_CHECK(!error.isEmpty());
    return 0;
  }
  QString againError;
  const std::shared_ptr<rowcast::MemoryList> again = rowcast::parseJsonList(toJson(*list), &againError);
  FUZZ_CHECK(again, againError.toStdString());
  FUZZ_CHECK(sameList(*list, *again));
  return 0;
}
