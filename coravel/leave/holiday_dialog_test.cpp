#include "coravel/leave/holiday_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "coravel/leave/test_settings.h"
#include "core/fault.h"
#include "platform/ui/accessibility_check.h"

using coravel::HolidayDialog;

namespace {

const char* const kOptionNames[] = {"Option1", "optTimeHalf", "optTimeDouble", "optTimeDoubleHalf"};
const QString kPlainCaptions[] = {"At current rate", "Time and a half ( 1\u00BD )", "Double Time ( 2 )",
                                  "Double Time and a half ( 2\u00BD )"};

// The design's controls as assistive technology reads them, with the
// design's tab order.
const platform::test::ExpectedControl kReadAs[] = {
    {"Picture1", QAccessible::Graphic, "Holiday pay picture", "", 12},
    {"Label1", QAccessible::StaticText, "Enter the amount of Holiday pay rate: $", "", 0},
    {"txtHolidaysTemp", QAccessible::EditableText, "Enter the amount of Holiday pay rate: $", "Label1", 1},
    {"Label2", QAccessible::StaticText, "Holiday pay at:", "", 2},
    {"txtHrs", QAccessible::EditableText, "Holiday pay at:", "Label2", 3},
    {"Label3", QAccessible::StaticText, "hours per day.", "", 4},
    {"txtHolidays", QAccessible::EditableText, "Computed holiday pay rate", "", 11},
    {"GoldButton1", QAccessible::PushButton, "Ok", "", 5},
    {"Frame1", QAccessible::Grouping, "Holiday Pay rate at per hour:", "", 6},
    {"Option1", QAccessible::RadioButton, kPlainCaptions[0], "Frame1", 10},
    {"optTimeHalf", QAccessible::RadioButton, kPlainCaptions[1], "Frame1", 7},
    {"optTimeDouble", QAccessible::RadioButton, kPlainCaptions[2], "Frame1", 8},
    {"optTimeDoubleHalf", QAccessible::RadioButton, kPlainCaptions[3], "Frame1", 9},
};

class HolidayDialogTest : public ::testing::Test {
 protected:
  // Loads and shows the window afresh over the stored settings, as each
  // ShowHolidayfrm does.
  void open() {
    dialog = std::make_unique<HolidayDialog>(s.registry, s.ui);
    dialog->load();
    dialog->show();
  }
  QLineEdit* box(const char* name) { return dialog->findChild<QLineEdit*>(name); }
  QRadioButton* option(const char* name) { return dialog->findChild<QRadioButton*>(name); }
  QString caption(const char* name) { return option(name)->text(); }
  QString result() { return box("txtHolidays")->text(); }

  void typeRate(const char* text) {
    box("txtHolidaysTemp")->clear();
    QTest::keyClicks(box("txtHolidaysTemp"), text);
  }
  // Clicks the option's round indicator, as the user does.
  void click(const char* name) {
    QRadioButton* button = option(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  void clickOk() { QTest::mouseClick(dialog->findChild<QPushButton*>("GoldButton1"), Qt::LeftButton); }

  coravel::test::TestSettings s;
  std::unique_ptr<HolidayDialog> dialog;
};

TEST_F(HolidayDialogTest, FirstOpeningShowsTheDesignState) {
  open();
  EXPECT_EQ(dialog->windowTitle(), "Holidays");
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "");
  EXPECT_EQ(box("txtHrs")->text(), "8");
  EXPECT_EQ(result(), "0.00");
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(option(kOptionNames[i])->isChecked()) << kOptionNames[i];
    EXPECT_EQ(caption(kOptionNames[i]), kPlainCaptions[i]);
  }
}

TEST_F(HolidayDialogTest, AClickedOptionShowsItsAmountCutToWholeCents) {
  open();
  typeRate("12.5");
  click("optTimeDoubleHalf");
  EXPECT_EQ(result(), "31.25");
  EXPECT_EQ(caption("optTimeDoubleHalf"), "Double Time and a half ( 2\u00BD )   [$31.25]");

  typeRate("10.01");
  click("optTimeHalf");
  EXPECT_EQ(result(), "15.01") << "15.015 is cut, never rounded up";
  EXPECT_EQ(caption("optTimeHalf"), "Time and a half ( 1\u00BD )   [$15.01]");
  EXPECT_EQ(caption("optTimeDoubleHalf"), kPlainCaptions[3]) << "the earlier caption is put back";

  typeRate("4.35");
  click("Option1");
  EXPECT_EQ(result(), "4.35") << "the rate at the current rate is the rate typed";
}

// 400 nines read as the largest double; twice that has no number.
TEST_F(HolidayDialogTest, AnAmountPastTheDoubleRangeLeavesTheWindowWorking) {
  open();
  typeRate(std::string(400, '9').c_str());
  click("optTimeDouble");
  EXPECT_EQ(result(), "Infinity");
  typeRate("2");
  click("optTimeDouble");
  EXPECT_EQ(result(), "4.00");
}

TEST_F(HolidayDialogTest, OpeningRestoresTheStoredChoiceWithItsAmount) {
  s.store("HolidaysPayTimeNone", "True");
  s.store("HolidaysPay", "7.5");
  open();
  EXPECT_TRUE(option("Option1")->isChecked());
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "7.5");
  EXPECT_EQ(result(), "7.50");
  EXPECT_EQ(caption("Option1"), "At current rate   [$7.50]");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(caption(kOptionNames[i]), kPlainCaptions[i]);
}

TEST_F(HolidayDialogTest, OfSeveralTrueFlagsTheLastOneReadIsTheChoice) {
  // Read in the order half, double, double and a half, current rate.
  s.store("HolidaysPayTimeNone", "1");
  s.store("HolidaysPayTimeHalf", "true");
  s.store("HolidaysPayTimeDouble", "FALSE");
  s.store("HolidaysPayTimeDoubleHalf", "-1");
  s.store("HolidaysPay", "10");
  open();
  EXPECT_TRUE(option("Option1")->isChecked());
  EXPECT_EQ(result(), "10.00");

  s.store("HolidaysPayTimeNone", "0");
  open();
  EXPECT_TRUE(option("optTimeDoubleHalf")->isChecked());
  EXPECT_EQ(result(), "25.00");
}

TEST_F(HolidayDialogTest, WithoutAChoiceTheStoredRateItselfIsShownCut) {
  s.store("HolidaysPay", "10.019");
  open();
  EXPECT_EQ(result(), "10.01");
}

// Read at 15 digits this rate would round up to 12.35.
TEST_F(HolidayDialogTest, AStoredRateJustBelowACentIsNotRoundedUp) {
  s.store("HolidaysPay", "12.34999999999999");
  open();
  EXPECT_EQ(result(), "12.34");
}

TEST_F(HolidayDialogTest, OnlyTheRateBoxFiltersKeys) {
  open();
  typeRate("1a-2");
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "12");
  EXPECT_EQ(s.ui.beeps, 2);
  QGuiApplication::clipboard()->setText("3,5");
  QTest::keyClick(box("txtHolidaysTemp"), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "12");
  EXPECT_EQ(s.ui.beeps, 3);

  box("txtHrs")->clear();
  QTest::keyClicks(box("txtHrs"), "7h-");
  EXPECT_EQ(box("txtHrs")->text(), "7h-");
  EXPECT_EQ(s.ui.beeps, 3);
}

TEST_F(HolidayDialogTest, LeavingTheRateBoxShowsTheUnmultipliedRate) {
  open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  typeRate("12.5");
  click("optTimeDoubleHalf");
  box("txtHolidaysTemp")->setFocus();
  typeRate("20.019");
  QTest::keyClick(box("txtHolidaysTemp"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), box("txtHrs"));
  EXPECT_EQ(result(), "20.01");
  EXPECT_EQ(caption("optTimeDoubleHalf"), "Double Time and a half ( 2\u00BD )   [$31.25]");

  click("optTimeDoubleHalf");
  EXPECT_EQ(result(), "50.04");
  EXPECT_EQ(caption("optTimeDoubleHalf"), "Double Time and a half ( 2\u00BD )   [$50.04]");
}

TEST_F(HolidayDialogTest, TabFollowsTheDesignOrder) {
  s.store("HolidaysPayTimeDouble", "True");
  open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  QStringList visited{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  // Of a group of options only the chosen one takes the focus.
  EXPECT_EQ(visited.join(' ').toStdString(), "txtHolidaysTemp txtHrs GoldButton1 optTimeDouble txtHolidays");
}

TEST_F(HolidayDialogTest, AssistiveTechnologyReadsEachControlAsDesignedInTabOrder) {
  open();
  platform::test::expectExposedAsDesigned(*dialog, kReadAs);
  EXPECT_EQ(platform::test::tabChain(*dialog), platform::test::designTabChain(*dialog, kReadAs));
  QAccessibleInterface* hours = QAccessible::queryAccessibleInterface(box("txtHrs"));
  EXPECT_EQ(hours->text(QAccessible::Description), "hours per day.");
  // An option is read by its caption, the amount it shows included.
  typeRate("12.5");
  click("optTimeHalf");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(option("optTimeHalf"))->text(QAccessible::Name),
            "Time and a half ( 1\u00BD )   [$18.75]");
}

TEST_F(HolidayDialogTest, OkStoresTheTypedTextsAndTheChoiceInOrder) {
  s.store("HolidaysPayTimeHalf", "True");
  open();
  typeRate("12.50");
  box("txtHrs")->clear();
  QTest::keyClicks(box("txtHrs"), "7.5x");
  click("optTimeDouble");
  clickOk();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(s.stored("HolidaysPay"), "12.50") << "exactly as typed, not normalised";
  EXPECT_EQ(s.stored("HolidaysHrs"), "7.5x");
  EXPECT_EQ(s.stored("HolidaysPayTimeHalf"), "False");
  EXPECT_EQ(s.stored("HolidaysPayTimeDouble"), "True");
  EXPECT_EQ(s.stored("HolidaysPayTimeDoubleHalf"), "False");
  EXPECT_EQ(s.stored("HolidaysPayTimeNone"), "False");

  open();
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "12.50");
  EXPECT_TRUE(option("optTimeDouble")->isChecked());
  EXPECT_EQ(result(), "25.00");
  EXPECT_EQ(box("txtHrs")->text(), "8") << "the stored hours are the host's; the box starts at 8";
}

TEST_F(HolidayDialogTest, OnlyOkSavesNotEnterNorTheCloseBox) {
  s.store("HolidaysPay", "9");
  s.store("HolidaysPayTimeNone", "True");
  open();
  typeRate("99");
  click("optTimeDouble");
  // Enter and Escape: the rate box beeps them away, and neither saves nor
  // closes the window from any text box.
  for (const char* name : {"txtHolidaysTemp", "txtHrs"})
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(box(name), key);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(s.ui.beeps, 3);
  EXPECT_EQ(box("txtHolidaysTemp")->text(), "99");
  dialog->close();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(s.stored("HolidaysPay"), "9");
  EXPECT_EQ(s.stored("HolidaysPayTimeNone"), "True");
  EXPECT_EQ(s.stored("HolidaysPayTimeDouble"), "<missing>");
  EXPECT_EQ(s.stored("HolidaysHrs"), "<missing>");

  // Enter or Space on the focused Ok clicks it, as on any push button.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
    open();
    typeRate(key == Qt::Key_Space ? "5" : "6");
    QTest::keyClick(dialog->findChild<QPushButton*>("GoldButton1"), key);
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << key;
    EXPECT_EQ(s.stored("HolidaysPay"), key == Qt::Key_Space ? "5" : "6");
  }
}

TEST_F(HolidayDialogTest, AStoredFlagThatIsNoTruthValueFailsTheOpening) {
  for (const char* bad : {"", "yes", "1x"}) {
    coravel::test::TestSettings store;
    store.store("HolidaysPayTimeNone", bad);
    HolidayDialog window(store.registry, store.ui);
    try {
      window.load();
      ADD_FAILURE() << "opened with the flag \"" << bad << "\"";
    } catch (const core::FaultError& e) {
      EXPECT_EQ(e.fault().number, core::kTypeMismatch) << bad;
    }
  }
}

TEST_F(HolidayDialogTest, ControlsSitWhereTheDesignPutsThem) {
  open();
  EXPECT_EQ(dialog->size(), QSize(389, 188));
  EXPECT_EQ(box("txtHolidaysTemp")->geometry(), QRect(310, 10, 44, 20));
  EXPECT_EQ(box("txtHolidays")->geometry(), QRect(310, 33, 44, 22));
  EXPECT_EQ(option("optTimeDoubleHalf")->geometry(), QRect(16, 68, 243, 16));  // within Frame1
  EXPECT_EQ(option("optTimeDoubleHalf")->parentWidget()->objectName(), "Frame1");
  EXPECT_TRUE(box("txtHolidays")->isReadOnly());
}

}  // namespace
