#include "rowcast/export/ccsv.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::readFile;

class CCsvTest : public ::testing::Test {
 protected:
  bool run(std::shared_ptr<ListModel> list) {
    csv.setLvwToPrint(std::move(list));
    csv.setFileName(path);
    return csv.Rowcast();
  }
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("out.csv"));
  CCsv csv{dir.path()};
};

TEST_F(CCsvTest, WritesEveryCellQuotedRowsOfTheirOwnLengthAndNoHeader) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("Shifts"), QStringList{QStringLiteral("Name"), QStringLiteral("Hours"), QStringLiteral("Rate")},
      std::vector<QStringList>{{QStringLiteral("Ann"), QStringLiteral("12"), QStringLiteral("3.50")},
                               {QStringLiteral("Bob")},
                               {},
                               {QStringLiteral(" Zo\u00eb "), QString()}});
  csv.setTitle(QStringLiteral("never written"));
  ASSERT_TRUE(run(list));
  EXPECT_EQ(readFile(path), QStringLiteral("\"Ann\",\"12\",\"3.50\"\r\n"
                                           "\"Bob\"\r\n"
                                           "\"\"\r\n"
                                           "\" Zo\u00eb \",\"\"\r\n")
                                .toUtf8());
  EXPECT_EQ(csv.LastErrorMsg(), QString());
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("rowcast.err"))));
}

TEST_F(CCsvTest, AQuoteInACellIsDoubledAndEverythingElseKept) {
  auto list = std::make_shared<MemoryList>(
      QString(), QStringList{},
      std::vector<QStringList>{{QStringLiteral("say \"hi\""), QStringLiteral("\""), QStringLiteral("a,b\r\nc")}});
  ASSERT_TRUE(run(list));
  EXPECT_EQ(readFile(path), QByteArray("\"say \"\"hi\"\"\",\"\"\"\",\"a,b\r\nc\"\r\n"));
}

TEST_F(CCsvTest, OnlyARunWithAListReplacesAnExistingFile) {
  test::writeFile(path, "old,data\r\n");
  EXPECT_FALSE(run(nullptr));
  EXPECT_EQ(csv.LastErrorMsg(), QStringLiteral("List View Not Defined"));
  EXPECT_EQ(readFile(path), QByteArray("old,data\r\n"));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("rowcast.err"))));

  ASSERT_TRUE(run(std::make_shared<MemoryList>()));
  EXPECT_EQ(readFile(path), QByteArray()) << "an empty list empties the file";
}

}  // namespace
}  // namespace rowcast
