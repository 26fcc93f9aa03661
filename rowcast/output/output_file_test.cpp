#include "rowcast/output/output_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/files/store_files.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::readFile;

int openFaultNumber(const QString& path) {
  try {
    OutputFile file(path);
    file.close();
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().description, core::Fault::standardDescription(e.fault().number));
    return e.fault().number;
  }
  return 0;
}

TEST(OutputFileTest, WritesUtf8FromEveryKindOfUtf16) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  // ASCII, two- and three-byte forms, a surrogate pair, and the largest BMP unit.
  const QString text = QStringLiteral("a\u00e9\u20ac\U0001F600\uFFFDz\u07FF\u0800");
  const QString lone = QString(QChar(0xD800)) + QLatin1Char('x') + QChar(0xDC00);
  {
    OutputFile file(path);
    file.appendText(text);
    file.endLine();
    file.appendText(lone);
    file.close();
  }
  EXPECT_EQ(readFile(path), text.toUtf8() + "\r\n" + QStringLiteral("\uFFFDx\uFFFD").toUtf8());
}

TEST(OutputFileTest, LinesLargerThanTheBufferAndManyLinesArriveWhole) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  // Two-byte characters with surrogate pairs across every piece boundary.
  QString longLine(3'000'000, QChar(0x00e9));
  for (qsizetype at = qsizetype{64} * 1024 - 1; at + 1 < longLine.size(); at += qsizetype{64} * 1024) {
    longLine[at] = QChar(0xD83D);
    longLine[at + 1] = QChar(0xDE00);
  }
  QByteArray expected;
  {
    OutputFile file(path);
    for (int i = 0; i < 20000; ++i) {
      file.appendText(QString::number(i));
      file.endLine();
      expected += QByteArray::number(i) + "\r\n";
    }
    file.appendText(longLine);
    file.endLine();
    file.close();
  }
  expected += longLine.toUtf8() + "\r\n";
  EXPECT_EQ(readFile(path), expected);
}

// A line far longer than the buffer reaches the file while it grows; given
// up unfinished, it is taken off again, after old lines as after new ones.
TEST(OutputFileTest, AnUnfinishedLongLineIsCutOffWhenGivenUp) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  for (OutputFile::Mode mode : {OutputFile::Mode::Replace, OutputFile::Mode::Append}) {
    {
      OutputFile file(path, mode);
      file.appendAscii("first");
      file.endLine();
      file.appendText(QString(5'000'000, QLatin1Char('x')));
    }
    EXPECT_EQ(readFile(path), mode == OutputFile::Mode::Replace ? "first\r\n" : "first\r\nfirst\r\n");
  }
}

TEST(OutputFileTest, GivingUpKeepsWholeLinesOnly) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  {
    OutputFile file(path);
    file.appendAscii("first");
    file.endLine();
    file.appendAscii("half a line");
  }
  EXPECT_EQ(readFile(path), QByteArray("first\r\n"));
}

TEST(OutputFileTest, FileErrorsBecomeThePlatformsFaults) {
  QTemporaryDir dir;
  EXPECT_EQ(openFaultNumber(QString()), core::kBadFileNameOrNumber);
  EXPECT_EQ(openFaultNumber(dir.filePath(QString(300, QLatin1Char('n')))), core::kBadFileNameOrNumber);
  EXPECT_EQ(openFaultNumber(dir.filePath(QStringLiteral("no/such/folder/out.csv"))), core::kPathNotFound);
  EXPECT_EQ(openFaultNumber(dir.path()), core::kPathFileAccessError);  // a folder, not a file
  const QString unwritable = test::unwritablePath(dir.path());
  if (!unwritable.isEmpty()) {
    EXPECT_EQ(openFaultNumber(unwritable), core::kPathFileAccessError);
  }
}

TEST(OutputFileTest, AFullDiskIsReportedOnWriteAndOnClose) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  test::FullFiles full;
  // Small output reaches the file only at close.
  {
    OutputFile file(path);
    file.appendAscii("x");
    file.endLine();
    try {
      file.close();
      ADD_FAILURE() << "close reported success on a full disk";
    } catch (const core::FaultError& e) {
      EXPECT_EQ(e.fault().number, core::kDiskFull);
      EXPECT_EQ(e.fault().description, QStringLiteral("Disk full"));
    }
  }
  // Large output fails while the lines are being written.
  OutputFile file(path);
  try {
    for (int i = 0; i < 100000; ++i) {
      file.appendAscii("a line of some length");
      file.endLine();
    }
    ADD_FAILURE() << "writing went on on a full disk";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kDiskFull);
  }
}

// What no export may write into, whatever the mode: the settings store
// (through a link too) and anything that is not a regular file; each fails
// at once with 75, and the store keeps every byte.
TEST(OutputFileTest, TheSettingsStoreAndNonFilesAreRefusedBeforeAnythingIsEmptied) {
  QTemporaryDir dir;
  const QString store = dir.filePath(QStringLiteral("registry.sqlite3"));
  test::writeFile(store, "settings");
  platform::noteStoreFile(store);
  const QString link = dir.filePath(QStringLiteral("shifts.csv"));
  ASSERT_EQ(::symlink(QFile::encodeName(store).constData(), QFile::encodeName(link).constData()), 0);
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  struct Case {
    QString path;
    QString description;
  } cases[] = {
      {store, QStringLiteral("Path/File access error: %1 is a file of the settings store").arg(store)},
      {link, QStringLiteral("Path/File access error: %1 is a file of the settings store").arg(link)},
      {fifo, QStringLiteral("Path/File access error: %1 is not a regular file").arg(fifo)},
      {QStringLiteral("/dev/full"), QStringLiteral("Path/File access error: /dev/full is not a regular file")},
  };
  for (OutputFile::Mode mode : {OutputFile::Mode::Replace, OutputFile::Mode::Append}) {
    for (const Case& c : cases) {
      try {
        OutputFile file(c.path, mode);
        ADD_FAILURE() << c.path.toStdString() << " was opened";
      } catch (const core::FaultError& e) {
        EXPECT_EQ(e.fault().number, core::kPathFileAccessError);
        EXPECT_EQ(e.fault().description, c.description);
      }
    }
  }
  EXPECT_EQ(readFile(store), "settings");
}

}  // namespace
}  // namespace rowcast
