// The leave-pay windows opened as a host opens them: ZuzirarRegistry created
// with its process-wide store and windows, members called by name through the
// dispatch interface. The process's store is pointed at a temporary file.
#include <QApplication>
#include <QFile>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

#include "coravel/entry/zuzirar_registry.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/modal_window.h"

using core::Value;

namespace {

// The process's store, in a temporary folder; set before anything opens it.
platform::SqliteRegistry& temporaryProcessStore() {
  static QTemporaryDir dir;
  static const QString path = [] {
    QString file = dir.filePath(QStringLiteral("registry.sqlite3"));
    qputenv("WAGEWISE_REGISTRY", QFile::encodeName(file));
    return file;
  }();
  auto& store = dynamic_cast<platform::SqliteRegistry&>(platform::defaultRegistry());
  if (store.path() != path) std::abort();  // never run against another store
  return store;
}

class LeaveWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::allowModalWithoutDisplay(true);  // each test answers the window itself
    for (const char* flag : {"HolidaysPayTimeHalf", "HolidaysPayTimeDouble", "HolidaysPayTimeDoubleHalf",
                             "HolidaysPayTimeNone"})
      settings.writeSetting(QLatin1String(flag), QStringLiteral("False"));
  }

  core::Fault call(const char* member) {
    std::vector<Value> args;
    Value result;
    return object.invoke(object.slotOf(QLatin1String(member), platform::CallKind::Method), args, result);
  }

  // Runs `act` on the window once it is shown modal, then closes it by its
  // close box if `act` left it open.
  void whenShown(const std::function<void(QDialog&)>& act) {
    QTimer::singleShot(0, [this, act] {
      auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!window) return;
      shown.append(window->objectName());
      act(*window);
      if (window->isVisible()) window->close();
    });
  }

  static void type(QDialog& window, const char* box, const char* text) {
    auto* edit = window.findChild<QLineEdit*>(box);
    ASSERT_NE(edit, nullptr) << box;
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  static QString text(QDialog& window, const char* box) { return window.findChild<QLineEdit*>(box)->text(); }
  static void clickOk(QDialog& window) {
    QTest::mouseClick(window.findChild<QPushButton*>("GoldButton1"), Qt::LeftButton);
  }

  coravel::RegistrySettings settings{temporaryProcessStore()};
  coravel::ZuzirarRegistry object;  // the process's store and windows, as a host creates it
  QStringList shown;
};

TEST_F(LeaveWindowsTest, AStoredFlagThatIsNoTruthValueEndsTheCallWithTypeMismatch) {
  settings.writeSetting(QStringLiteral("HolidaysPayTimeDouble"), QString());
  whenShown([](QDialog&) {});
  const core::Fault fault = call("ShowHolidayfrm");
  QApplication::processEvents();
  EXPECT_EQ(fault.number, core::kTypeMismatch);
  EXPECT_EQ(fault.description, "Type mismatch");
  EXPECT_TRUE(shown.isEmpty()) << "the window was shown";

  settings.writeSetting(QStringLiteral("HolidaysPayTimeDouble"), QStringLiteral("False"));
  whenShown([](QDialog&) {});
  EXPECT_FALSE(call("ShowHolidayfrm").isFault()) << "the next call opens the window again";
  EXPECT_EQ(shown, QStringList{"frmHolidays"});
}

TEST_F(LeaveWindowsTest, EachHolidayCallOpensWithWhatTheLastOkStored) {
  whenShown([](QDialog& window) {
    type(window, "txtHolidaysTemp", "12.50");
    type(window, "txtHrs", "7");
    QRadioButton* option = window.findChild<QRadioButton*>("optTimeDoubleHalf");
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    clickOk(window);
  });
  ASSERT_FALSE(call("ShowHolidayfrm").isFault());
  EXPECT_EQ(settings.readSetting(QStringLiteral("HolidaysPay")), Value("12.50"));
  EXPECT_EQ(settings.readSetting(QStringLiteral("HolidaysHrs")), Value("7"));
  EXPECT_EQ(settings.readSetting(QStringLiteral("HolidaysPayTimeDoubleHalf")), Value("True"));

  QString rate, hours, result;
  whenShown([&](QDialog& window) {
    rate = text(window, "txtHolidaysTemp");
    hours = text(window, "txtHrs");
    result = text(window, "txtHolidays");
    type(window, "txtHolidaysTemp", "1");  // then the close box: nothing stored
  });
  ASSERT_FALSE(call("ShowHolidayfrm").isFault());
  EXPECT_EQ(shown, QStringList({"frmHolidays", "frmHolidays"}));
  EXPECT_EQ(rate, "12.50");
  EXPECT_EQ(hours, "8");
  EXPECT_EQ(result, "31.25");
  EXPECT_EQ(settings.readSetting(QStringLiteral("HolidaysPay")), Value("12.50"));
}

TEST_F(LeaveWindowsTest, SickAndVacationCallsStoreNormalisedNumbers) {
  whenShown([](QDialog& window) {
    type(window, "txtSick", "12.50");
    type(window, "txtSickHrs", "7.50");
    clickOk(window);
  });
  ASSERT_FALSE(call("ShowSickfrm").isFault());
  whenShown([](QDialog& window) {
    type(window, "txtVacations", "1.2.3");
    type(window, "txtVHrs", "");
    clickOk(window);
  });
  ASSERT_FALSE(call("ShowVacationfrm").isFault());
  EXPECT_EQ(shown, QStringList({"frmSick", "frmVacations"}));
  EXPECT_EQ(settings.readSetting(QStringLiteral("SickPay")), Value("12.5"));
  EXPECT_EQ(settings.readSetting(QStringLiteral("SickHrs")), Value("7.5"));
  EXPECT_EQ(settings.readSetting(QStringLiteral("VacationsPay")), Value("1.2"));
  EXPECT_EQ(settings.readSetting(QStringLiteral("VacationsHrs")), Value("0"));
}

}  // namespace
