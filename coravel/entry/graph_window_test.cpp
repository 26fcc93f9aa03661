// The graph window opened as a host opens it: ZuzirarRegistry with its
// process-wide store and windows, ShowGraphfrm called by name through the
// dispatch interface. The process's store is pointed at a temporary file.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

#include "coravel/entry/zuzirar_registry.h"
#include "coravel/graph/graph_dialog.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/modal_window.h"

using core::Value;

namespace {

QTemporaryDir& temporaryFolder() {
  static QTemporaryDir dir;
  return dir;
}

// The process's store, in a temporary folder; set before anything opens it.
platform::SqliteRegistry& temporaryProcessStore() {
  static const QString path = [] {
    QString file = temporaryFolder().filePath(QStringLiteral("registry.sqlite3"));
    qputenv("WAGEWISE_REGISTRY", QFile::encodeName(file));
    return file;
  }();
  auto& store = dynamic_cast<platform::SqliteRegistry&>(platform::defaultRegistry());
  if (store.path() != path) std::abort();  // never run against another store
  return store;
}

// Runs `act` on the graph window once its opening code is over, then closes
// it by its close box.
void whenOpened(const std::function<void(coravel::GraphDialog&)>& act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    auto* window = qobject_cast<coravel::GraphDialog*>(QApplication::activeModalWidget());
    if (!window || window->isLoading()) return;
    poll->stop();
    poll->deleteLater();
    act(*window);
    window->close();
  });
  poll->start(1);
}

TEST(GraphWindow, ShowGraphfrmOpensTheGraphOverAppPathAndReturnsWhenClosed) {
  platform::allowModalWithoutDisplay(true);  // the test closes the window itself
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  coravel::RegistrySettings settings{temporaryProcessStore()};
  const QString profiles = temporaryFolder().filePath(QStringLiteral("profiles"));
  QDir().mkpath(profiles);
  QFile file(profiles + QStringLiteral("/job.dat"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("03/15/2001,08:00,16:00,8,8,0,120,0,120,0,0,0,30\r\n");
  file.close();
  settings.writeSetting(QStringLiteral("AppPath"), profiles);
  settings.writeSetting(QStringLiteral("ShowAverage"), QStringLiteral("1"));

  QString name, title, total, count;
  bool average = false;
  whenOpened([&](coravel::GraphDialog& window) {
    name = window.objectName();
    title = window.windowTitle();
    total = window.findChild<QLabel*>("lblNetPayTotal2")->text();
    count = window.findChild<QLabel*>("lblcount")->text();
    average = window.findChild<QCheckBox*>("ckAverage")->isChecked();
  });
  coravel::ZuzirarRegistry object;
  std::vector<Value> args;
  Value result;
  const core::Fault fault =
      object.invoke(object.slotOf(QStringLiteral("ShowGraphfrm"), platform::CallKind::Method), args, result);
  EXPECT_FALSE(fault.isFault()) << fault.number << " " << fault.description.toStdString();
  EXPECT_EQ(name, "frmGraph");
  EXPECT_EQ(title, "Wagewise Yearly Graph");
  EXPECT_EQ(total, "$120.00");
  EXPECT_EQ(count, "1") << "read once, by the opening's search";
  EXPECT_TRUE(average);
}

}  // namespace
