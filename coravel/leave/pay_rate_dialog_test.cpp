#include "coravel/leave/pay_rate_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "coravel/leave/test_settings.h"
#include "platform/ui/accessibility_check.h"

using coravel::PayRateDesign;
using coravel::PayRateDialog;
using platform::test::ExpectedControl;

namespace {

// Each design's controls as assistive technology reads them, with the
// design's tab order.
const ExpectedControl kSickReadAs[] = {
    {"Picture1", QAccessible::Graphic, "Sick pay picture", "", 6},
    {"Label1", QAccessible::StaticText, "Enter the amount of Sick pay rate: $", "", 3},
    {"txtSick", QAccessible::EditableText, "Enter the amount of Sick pay rate: $", "Label1", 0},
    {"Label2", QAccessible::StaticText, "Sick pay at:", "", 4},
    {"txtSickHrs", QAccessible::EditableText, "Sick pay at:", "Label2", 1},
    {"Label3", QAccessible::StaticText, "hours per day.", "", 5},
    {"GoldButton1", QAccessible::PushButton, "Ok", "", 2},
};
const ExpectedControl kVacationsReadAs[] = {
    {"Picture1", QAccessible::Graphic, "Vacation pay picture", "", 6},
    {"Label1", QAccessible::StaticText, "Enter the amount of Vacation pay rate: $", "", 5},
    {"txtVacations", QAccessible::EditableText, "Enter the amount of Vacation pay rate: $", "Label1", 2},
    {"Label2", QAccessible::StaticText, "Vacation pay at:", "", 4},
    {"txtVHrs", QAccessible::EditableText, "Vacation pay at:", "Label2", 1},
    {"Label3", QAccessible::StaticText, "hours per day.", "", 3},
    {"GoldButton1", QAccessible::PushButton, "Ok", "", 0},
};

// Both configurations of the one design go through every test.
struct Window {
  const char* name;
  PayRateDesign (*design)();
  const char *caption, *rateBox, *hoursBox, *rateSetting, *hoursSetting;
  std::span<const ExpectedControl> readAs;
};

const Window kSick{"frmSick", &coravel::sickDesign, "Sick", "txtSick", "txtSickHrs", "SickPay", "SickHrs", kSickReadAs};
const Window kVacations{"frmVacations", &coravel::vacationDesign, "Vacations", "txtVacations", "txtVHrs",
                        "VacationsPay", "VacationsHrs", kVacationsReadAs};

class PayRateDialogTest : public ::testing::TestWithParam<Window> {
 protected:
  void open() {
    dialog = std::make_unique<PayRateDialog>(GetParam().design(), s.registry, s.ui);
    dialog->load();
    dialog->show();
  }
  QLineEdit* rateBox() { return dialog->findChild<QLineEdit*>(GetParam().rateBox); }
  QLineEdit* hoursBox() { return dialog->findChild<QLineEdit*>(GetParam().hoursBox); }
  void type(QLineEdit* box, const char* text) {
    box->clear();
    QTest::keyClicks(box, text);
  }
  void clickOk() { QTest::mouseClick(dialog->findChild<QPushButton*>("GoldButton1"), Qt::LeftButton); }
  QString storedRate() { return s.stored(GetParam().rateSetting); }
  QString storedHours() { return s.stored(GetParam().hoursSetting); }

  coravel::test::TestSettings s;
  std::unique_ptr<PayRateDialog> dialog;
};

TEST_P(PayRateDialogTest, FirstOpeningShowsEmptyBoxesAndOkStoresZeros) {
  open();
  EXPECT_EQ(dialog->objectName(), GetParam().name);
  EXPECT_EQ(dialog->windowTitle(), GetParam().caption);
  EXPECT_EQ(rateBox()->text(), "");
  EXPECT_EQ(hoursBox()->text(), "");
  QTest::keyClick(dialog->findChild<QPushButton*>("GoldButton1"), Qt::Key_Enter);  // on the focused Ok
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(storedRate(), "0");
  EXPECT_EQ(storedHours(), "0");
}

TEST_P(PayRateDialogTest, OkStoresNormalisedNumbersThatTheNextOpeningShows) {
  struct Case {
    const char *rate, *hours, *storedRate, *storedHours;
  };
  const Case cases[] = {
      {"12.50", "7.50", "12.5", "7.5"},
      {"1.2.3", "8h", "1.2", "8"},
      {".", "abc", "0", "0"},
      {"0012.340", " 6", "12.34", "6"},
  };
  for (const Case& c : cases) {
    open();
    type(rateBox(), c.rate);
    type(hoursBox(), c.hours);
    clickOk();
    EXPECT_EQ(storedRate(), c.storedRate) << c.rate;
    EXPECT_EQ(storedHours(), c.storedHours) << c.hours;
    open();
    EXPECT_EQ(rateBox()->text(), c.storedRate);
    EXPECT_EQ(hoursBox()->text(), c.storedHours);
  }
}

TEST_P(PayRateDialogTest, OnlyTheRateBoxFiltersKeys) {
  open();
  type(rateBox(), "9a.5");
  EXPECT_EQ(rateBox()->text(), "9.5");
  EXPECT_EQ(s.ui.beeps, 1);
  type(hoursBox(), "x7");
  EXPECT_EQ(hoursBox()->text(), "x7");
  EXPECT_EQ(s.ui.beeps, 1);
}

TEST_P(PayRateDialogTest, TheCloseBoxLeavesTheStoredValues) {
  s.store(GetParam().rateSetting, "11.25");
  s.store(GetParam().hoursSetting, "abc");  // whatever is stored is shown as it is
  open();
  EXPECT_EQ(rateBox()->text(), "11.25");
  EXPECT_EQ(hoursBox()->text(), "abc");
  type(rateBox(), "3");
  type(hoursBox(), "4");
  // Neither Enter nor Escape saves or closes; the rate box beeps them away.
  for (QLineEdit* box : {rateBox(), hoursBox()})
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(box, key);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(s.ui.beeps, 2);
  dialog->close();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(storedRate(), "11.25");
  EXPECT_EQ(storedHours(), "abc");
}

TEST_P(PayRateDialogTest, AssistiveTechnologyReadsEachControlAsDesignedInTabOrder) {
  open();
  platform::test::expectExposedAsDesigned(*dialog, GetParam().readAs);
  EXPECT_EQ(platform::test::tabChain(*dialog), platform::test::designTabChain(*dialog, GetParam().readAs));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(hoursBox())->text(QAccessible::Description), "hours per day.");
}

INSTANTIATE_TEST_SUITE_P(SickAndVacations, PayRateDialogTest, ::testing::Values(kSick, kVacations),
                         [](const auto& info) { return std::string(info.param.caption); });

TEST(PayRateDesigns, TabOrderAndGeometryFollowEachDesign) {
  coravel::test::TestSettings s;
  auto focusOrder = [&s](PayRateDesign design) {
    PayRateDialog dialog(std::move(design), s.registry, s.ui);
    dialog.load();
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    return visited.join(' ').toStdString();
  };
  EXPECT_EQ(focusOrder(coravel::sickDesign()), "txtSick txtSickHrs GoldButton1 txtSick");
  EXPECT_EQ(focusOrder(coravel::vacationDesign()), "GoldButton1 txtVHrs txtVacations GoldButton1");

  PayRateDialog vacations(coravel::vacationDesign(), s.registry, s.ui);
  EXPECT_EQ(vacations.size(), QSize(390, 123));
  EXPECT_EQ(vacations.findChild<QLineEdit*>("txtVacations")->geometry(), QRect(343, 21, 44, 20));
}

}  // namespace
