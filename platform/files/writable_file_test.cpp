#include "platform/files/writable_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/files/store_files.h"

namespace platform {
namespace {

using Refusal = WritableFile::Refusal;

QByteArray name(const QString& path) { return QFile::encodeName(path); }

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Every kind of target a careless or hostile path names, in every mode:
// what is refused is refused at once, and nothing it leads to is emptied,
// written or made.
TEST(WritableFile, RefusesWhatIsNoPlainFileOfTheUsersAndEmptiesOnlyWhatItTakes) {
  QTemporaryDir dir;
  const QString store = dir.filePath(QStringLiteral("registry.sqlite3"));
  noteStoreFile(store);
  put(store, "settings");
  put(store + QStringLiteral("-wal"), "journal");
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(name(fifo).constData(), 0600), 0);
  auto link = [&](const QString& target, const QString& as) {
    EXPECT_EQ(::symlink(name(target).constData(), name(dir.filePath(as)).constData()), 0);
    return dir.filePath(as);
  };
  const QString hardLink = dir.filePath(QStringLiteral("hard"));
  ASSERT_EQ(::link(name(store).constData(), name(hardLink).constData()), 0);
  const QString nowhere = dir.filePath(QStringLiteral("nowhere/target.csv"));

  struct Case {
    QString path;
    Refusal refusal;
  } cases[] = {
      {fifo, Refusal::NotRegularFile},
      {QStringLiteral("/dev/null"), Refusal::NotRegularFile},
      {link(QStringLiteral("/dev/full"), QStringLiteral("to-device")), Refusal::NotRegularFile},
      {dir.path(), Refusal::SystemError},  // EISDIR: the system's own words say it
      {link(nowhere, QStringLiteral("dangling")), Refusal::DanglingLink},
      {store, Refusal::SettingsStore},
      {store + QStringLiteral("-wal"), Refusal::SettingsStore},
      {store + QStringLiteral("-shm"), Refusal::SettingsStore},  // not there yet: refused by name
      {dir.path() + QStringLiteral("/./registry.sqlite3"), Refusal::SettingsStore},
      {link(store, QStringLiteral("to-store")), Refusal::SettingsStore},
      {link(store + QStringLiteral("-wal"), QStringLiteral("to-wal")), Refusal::SettingsStore},
      {hardLink, Refusal::SettingsStore},
  };
  for (WriteMode mode : {WriteMode::Keep, WriteMode::Replace, WriteMode::Append}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.path.toStdString() + " mode " + std::to_string(int(mode)));
      const WritableFile opened = openWritableFile(c.path, mode);
      EXPECT_FALSE(opened.ok());
      EXPECT_EQ(opened.refusal, c.refusal);
      EXPECT_FALSE(opened.reason().isEmpty());
      if (opened.ok()) ::close(opened.fd);
    }
  }
  EXPECT_EQ(contents(store), "settings");
  EXPECT_EQ(contents(store + QStringLiteral("-wal")), "journal");
  EXPECT_FALSE(QFile::exists(store + QStringLiteral("-shm")));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
}

TEST(WritableFile, TakesARegularFileOrALinkToOneAsEachModeSays) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("out.csv"));
  const QString link = dir.filePath(QStringLiteral("link.csv"));
  ASSERT_EQ(::symlink("out.csv", name(link).constData()), 0);
  struct Case {
    WriteMode mode;
    QString path;
    QByteArray expected;
  } cases[] = {
      {WriteMode::Keep, file, "old+"},
      {WriteMode::Replace, file, "+"},
      {WriteMode::Append, file, "old+"},
      {WriteMode::Replace, link, "+"},
      {WriteMode::Replace, dir.filePath(QStringLiteral("new.csv")), "+"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString() + " mode " + std::to_string(int(c.mode)));
    put(file, "old");
    const WritableFile opened = openWritableFile(c.path, c.mode);
    ASSERT_TRUE(opened.ok()) << opened.reason().toStdString();
    if (c.mode == WriteMode::Keep) ::lseek(opened.fd, 0, SEEK_END);
    EXPECT_EQ(::write(opened.fd, "+", 1), 1);
    EXPECT_EQ(::fcntl(opened.fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(opened.fd);
    EXPECT_EQ(contents(c.path), c.expected);
  }
}

}  // namespace
}  // namespace platform
