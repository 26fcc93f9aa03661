#include "rowcast/output/error_handler.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <chrono>
#include <functional>
#include <future>
#include <vector>

#include "rowcast/output/clock_text.h"
#include "rowcast/output/test_files.h"

namespace rowcast {
namespace {

using test::logLines;

TEST(ErrorHandlerTest, AppendsFourLinesARecordOldestFirst) {
  QTemporaryDir dir;
  ErrorHandler log(dir.path());
  const QString today = shortDateText(QDate::currentDate());
  log.handleError(core::Fault{75, QStringLiteral("Path/File access error"), QStringLiteral("Rowcast")},
                  QStringLiteral("CCsv::Rowcast"), QString());
  // A line break inside a text is a blank: every record keeps four lines.
  log.handleError(core::Fault{-2147, QStringLiteral("Caf\u00e9\r\nbroke\nat\rnoon"), QStringLiteral("Rowcast.CHTML")},
                  QStringLiteral("CHTML::Rowcast"), QStringLiteral("ignored.html"));

  const QByteArray bytes = test::readFile(dir.filePath(QStringLiteral("rowcast.err")));
  EXPECT_EQ(bytes.count("\r\n"), 8);
  EXPECT_EQ(bytes.count('\n'), 8) << "every line ends in CR LF";
  const QList<QByteArray> lines = logLines(dir.path());
  ASSERT_EQ(lines.size(), 8);
  EXPECT_TRUE(lines[0].startsWith(("An Error was raised on " + today + " ").toUtf8())) << lines[0].constData();
  EXPECT_GT(lines[0].size(), ("An Error was raised on " + today + " ").toUtf8().size() + 4) << "time is written";
  EXPECT_EQ(lines[1], "=====Error Number = 75");
  EXPECT_EQ(lines[2], "=====Error Desc = Path/File access error");
  EXPECT_EQ(lines[3], "=====Error Source = Rowcast");
  EXPECT_TRUE(lines[4].startsWith("An Error was raised on "));
  EXPECT_EQ(lines[5], "=====Error Number = -2147");
  EXPECT_EQ(lines[6], QStringLiteral("=====Error Desc = Caf\u00e9 broke at noon").toUtf8());
  EXPECT_EQ(lines[7], "=====Error Source = Rowcast.CHTML");
}

TEST(ErrorHandlerTest, AnEmptyRecordStillWritesAllFourLines) {
  QTemporaryDir dir;
  ErrorHandler(dir.path()).handleError(core::Fault{}, QString(), QString());
  const QList<QByteArray> lines = logLines(dir.path());
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[1], "=====Error Number = 0");
  EXPECT_EQ(lines[2], "=====Error Desc = ");
  EXPECT_EQ(lines[3], "=====Error Source = ");
}

TEST(ErrorHandlerTest, AnExistingLogIsAppendedToNeverReplaced) {
  QTemporaryDir dir;
  const QByteArray old = QByteArray(1 << 20, 'x') + "\r\n";
  test::writeFile(dir.filePath(QStringLiteral("rowcast.err")), old);
  ErrorHandler(dir.path()).handleError(core::Fault::fromNumber(61), QString(), QString());
  const QByteArray bytes = test::readFile(dir.filePath(QStringLiteral("rowcast.err")));
  EXPECT_TRUE(bytes.startsWith(old));
  EXPECT_TRUE(bytes.endsWith("=====Error Desc = Disk full\r\n=====Error Source = \r\n"));
}

TEST(ErrorHandlerTest, AFailingLogRaisesButTheQuietFormSwallowsIt) {
  QTemporaryDir dir;
  ErrorHandler log(dir.filePath(QStringLiteral("missing-folder")), QString());
  try {
    log.handleError(core::Fault::fromNumber(5), QString(), QString());
    ADD_FAILURE() << "a log in a missing folder was reported written";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kPathNotFound);
  }
  log.handleErrorQuietly(core::Fault::fromNumber(5), QString(), QString());
}

// A FIFO or a device by the log's name takes no record and holds nobody up:
// the fault path goes on at once with the log's own failure.
TEST(ErrorHandlerTest, ALogThatIsNoRegularFileFailsAtOnceAndTakesNothing) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("rowcast.err"));
  const QByteArray logName = QFile::encodeName(log);
  struct Case {
    const char* what;
    bool fifo;
    bool reader;
  };
  for (const Case& c : {Case{"FIFO nobody reads", true, false}, Case{"FIFO with a reader", true, true},
                        Case{"link to /dev/null", false, false}}) {
    SCOPED_TRACE(c.what);
    QFile::remove(log);
    ASSERT_EQ(c.fifo ? ::mkfifo(logName.constData(), 0600) : ::symlink("/dev/null", logName.constData()), 0);
    const int reader = c.reader ? ::open(logName.constData(), O_RDONLY | O_NONBLOCK) : -1;
    auto logged = std::async(std::launch::async, [&] {
      try {
        ErrorHandler(dir.path(), QString()).handleError(core::Fault::fromNumber(5), QString(), QString());
        return 0;
      } catch (const core::FaultError& e) {
        return int(e.fault().number);
      }
    });
    int release = -1;
    if (logged.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      ADD_FAILURE() << "the log waited for a reader";
      release = ::open(logName.constData(), O_RDONLY | O_NONBLOCK);  // lets it go
    }
    EXPECT_EQ(logged.get(), core::kPathFileAccessError);
    if (release >= 0) ::close(release);
    if (reader >= 0) {
      char byte;
      EXPECT_LE(::read(reader, &byte, 1), 0) << "a record went into the FIFO";
      ::close(reader);
    }
  }
}

// A log beside the library that cannot be opened (a missing or read-only
// folder, something that is no file) sends the record to the reserve folder,
// made for the user alone; a link there is never followed.
TEST(ErrorHandlerTest, ALogThatCannotBeOpenedGoesToTheReserveFolderButNeverThroughALink) {
  QTemporaryDir dir;
  const QString reserve = dir.filePath(QStringLiteral("state/wagewise"));
  const QString fifoFolder = dir.filePath(QStringLiteral("fifo"));
  QDir().mkpath(fifoFolder);
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifoFolder + QStringLiteral("/rowcast.err")).constData(), 0600), 0);
  const QString beside[] = {dir.filePath(QStringLiteral("missing-folder")), fifoFolder};
  for (const QString& folder : beside)
    ErrorHandler(folder, reserve).handleError(core::Fault::fromNumber(5), QString(), QString());
  const QList<QByteArray> lines = logLines(reserve);
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[1], "=====Error Number = 5");
  EXPECT_EQ(lines[7], "=====Error Source = ");
  for (const QString& folder : {reserve, dir.filePath(QStringLiteral("state"))}) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder.toStdString();
  }

  const QString target = dir.filePath(QStringLiteral("target"));
  test::writeFile(target, "kept");
  ASSERT_TRUE(QFile::remove(reserve + QStringLiteral("/rowcast.err")));
  ASSERT_TRUE(QFile::link(target, reserve + QStringLiteral("/rowcast.err")));
  try {
    ErrorHandler(beside[0], reserve).handleError(core::Fault::fromNumber(5), QString(), QString());
    ADD_FAILURE() << "a record went through the link";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kPathNotFound) << "the library folder's own failure";
  }
  EXPECT_EQ(test::readFile(target), "kept");
}

// What a call writes to standard error while it runs.
QByteArray standardErrorOf(const std::function<void()>& call) {
  std::fflush(stderr);
  QTemporaryFile capture;
  EXPECT_TRUE(capture.open());
  const int saved = ::dup(2);
  ::dup2(capture.handle(), 2);
  call();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  capture.seek(0);
  return capture.readAll();
}

// The reserve folder is trusted as a library's folders are: a link there, or
// a folder of another user, takes no record (it goes to standard error with
// the reason, and nothing lands where the link points); a folder of the
// user's own that others may write is narrowed to the user alone, then used.
TEST(ErrorHandlerTest, TheReserveFolderIsUsedOnlyWhenNoOneElseCanChangeIt) {
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("missing-folder"));
  const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
  QDir().mkpath(elsewhere);
  const QString link = dir.filePath(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(elsewhere, link));
  auto folder = [&](const QString& name, mode_t mode, uid_t owner) {
    QString path = dir.filePath(name);
    QDir().mkpath(path);
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    EXPECT_EQ(::chown(QFile::encodeName(path).constData(), owner, gid_t(-1)), 0);
    return path;
  };
  struct Case {
    QString reserve;
    const char* reason;  // null: used
  } cases[] = {
      {link, "is a link, which is never followed"},
      {folder(QStringLiteral("open"), 0777, ::geteuid()), nullptr},
      {folder(QStringLiteral("shared"), 0750, ::geteuid()), nullptr},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // Another user's folder, which only root can make here.
  if (::geteuid() == 0) all.push_back({folder(QStringLiteral("theirs"), 0700, 65534), "belongs to another user"});
  for (const Case& c : all) {
    SCOPED_TRACE(c.reserve.toStdString());
    const QByteArray said = standardErrorOf([&] {
      ErrorHandler(missing, c.reserve).handleErrorQuietly(core::Fault::fromNumber(5), QString(), QString());
    });
    if (c.reason) {
      EXPECT_TRUE(said.startsWith("Rowcast: rowcast.err took no record (" + QFile::encodeName(c.reserve) + ' ' +
                                  c.reason + "); the record:\n"))
          << said.toStdString();
      EXPECT_TRUE(said.contains("\n=====Error Number = 5\n=====Error Desc = Invalid procedure call or argument\n"));
      EXPECT_FALSE(QFile::exists(c.reserve + QStringLiteral("/rowcast.err")));
    } else {
      EXPECT_EQ(said, QByteArray());
      EXPECT_EQ(logLines(c.reserve).size(), 4);
      struct stat st {};
      ASSERT_EQ(::stat(QFile::encodeName(c.reserve).constData(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u) << "narrowed to the user alone";
    }
  }
  EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

TEST(ErrorHandlerTest, TheReserveFolderIsTheUsersStateFolder) {
  const QByteArray saved = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", "/somewhere/state");
  EXPECT_EQ(ErrorHandler::stateFolder(), QStringLiteral("/somewhere/state/wagewise"));
  EXPECT_EQ(ErrorHandler().reserveLogPath(), QStringLiteral("/somewhere/state/wagewise/rowcast.err"));
  for (const char* unusable : {"", "relative/state"}) {
    qputenv("XDG_STATE_HOME", unusable);
    EXPECT_EQ(ErrorHandler::stateFolder(), QDir::homePath() + QStringLiteral("/.local/state/wagewise")) << unusable;
  }
  if (saved.isEmpty()) qunsetenv("XDG_STATE_HOME");
  else qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
}  // namespace rowcast
