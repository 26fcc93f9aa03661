#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QStandardItemModel>
#include <QTemporaryDir>

#include "rowcast/list/item_model_list.h"
#include "rowcast/list/json_list.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

TEST(ListModelTest, ShortRowsReadAsShorterSubItemsAndEmptyCells) {
  MemoryList list(QStringLiteral("lvw"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                  {{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}, {QStringLiteral("only")}, {}});
  EXPECT_EQ(list.subItemCount(0), 2);
  EXPECT_EQ(list.subItemCount(1), 0);
  EXPECT_EQ(list.cellText(0, 2), QStringLiteral("z"));
  EXPECT_EQ(list.cellText(1, 0), QStringLiteral("only"));
  EXPECT_EQ(list.cellText(1, 1), QString());
  EXPECT_EQ(list.cellText(1, 2), QString());
  EXPECT_EQ(list.itemText(2), QString()) << "an empty row is an item with empty text";
  EXPECT_EQ(list.subItemCount(2), 0);
}

TEST(ListModelTest, AnItemModelGivesHeadersColumnZeroAndSubItems) {
  auto model = std::make_unique<QStandardItemModel>(2, 3);
  model->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Hours"), QStringLiteral("Pay")});
  model->setItem(0, 0, new QStandardItem(QStringLiteral("01/02/24")));
  model->setItem(0, 2, new QStandardItem(QStringLiteral("96.00")));
  model->setData(model->index(1, 1), 7.5);
  ItemModelList list(model.get(), QStringLiteral("lvwShifts"));

  EXPECT_EQ(list.name(), QStringLiteral("lvwShifts"));
  ASSERT_EQ(list.columnCount(), 3);
  EXPECT_EQ(list.columnHeaderText(1), QStringLiteral("Hours"));
  ASSERT_EQ(list.itemCount(), 2);
  EXPECT_EQ(list.itemText(0), QStringLiteral("01/02/24"));
  EXPECT_EQ(list.subItemCount(0), 2);
  EXPECT_EQ(list.subItemText(0, 0), QString());
  EXPECT_EQ(list.subItemText(0, 1), QStringLiteral("96.00"));
  EXPECT_EQ(list.subItemText(1, 0), QStringLiteral("7.5"));

  model.reset();
  try {
    list.itemCount();
    ADD_FAILURE() << "a list over a destroyed model was read";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kObjectRequired);
  }
}

TEST(ListModelTest, JsonGivesNameHeadersAndRowsOfTheirOwnLength) {
  QString error;
  auto list = parseJsonList(R"({"name": "Shifts", "columns": ["Date", "Hours"],
                                "rows": [["01/02/24", 8.5, null], ["\u00e9"], []]})",
                            &error);
  ASSERT_TRUE(list) << error.toStdString();
  EXPECT_EQ(list->name(), QStringLiteral("Shifts"));
  EXPECT_EQ(list->columnCount(), 2);
  ASSERT_EQ(list->itemCount(), 3);
  EXPECT_EQ(list->subItemCount(0), 2);
  EXPECT_EQ(list->subItemText(0, 0), QStringLiteral("8.5"));
  EXPECT_EQ(list->subItemText(0, 1), QString());
  EXPECT_EQ(list->itemText(1), QStringLiteral("\u00e9"));
  EXPECT_EQ(list->itemText(2), QString());
}

TEST(ListModelTest, MalformedJsonIsRefusedWithTheReason) {
  const struct {
    const char* json;
    const char* reason;
  } cases[] = {
      {"{\"columns\": [\"A\"], \"rows\": [[\"x\"]", "not JSON at offset"},
      {"[1, 2]", "JSON object"},
      {"{\"rows\": []}", "columns must be an array"},
      {"{\"columns\": [], \"rows\": {}}", "rows must be an array"},
      {"{\"columns\": [\"A\"], \"rows\": [[\"x\"], [true]]}", "rows[1][0] must be a text"},
      {"{\"name\": 5, \"columns\": [], \"rows\": []}", "\"name\" must be a text"},
  };
  for (const auto& c : cases) {
    QString error;
    EXPECT_EQ(parseJsonList(c.json, &error), nullptr) << c.json;
    EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.json << " gave: " << error.toStdString();
  }
  QTemporaryDir dir;
  QString error;
  EXPECT_EQ(loadJsonList(dir.filePath(QStringLiteral("missing.json")), &error), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("missing.json"))) << error.toStdString();
  // A device that never ends, a pipe without a writer and a file past the
  // limit (sparse, so nothing big is written) are refused, not read.
  const QString fifo = dir.filePath(QStringLiteral("pipe.json"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString big = dir.filePath(QStringLiteral("big.json"));
  {
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(kMaxJsonListBytes + 1));
  }
  const struct {
    QString path;
    QString error;
  } refused[] = {
      {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero: not a regular file")},
      {fifo, fifo + QStringLiteral(": not a regular file")},
      {dir.path(), dir.path() + QStringLiteral(": not a regular file")},
      {big, big + QStringLiteral(": 67108865 bytes, more than the 67108864 a list file may have")},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(loadJsonList(r.path, &error), nullptr) << r.path.toStdString();
    EXPECT_EQ(error, r.error);
  }
}

}  // namespace
}  // namespace rowcast
