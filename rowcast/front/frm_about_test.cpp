#include "rowcast/front/frm_about.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/component/object_host.h"
#include "platform/ui/accessibility_check.h"
#include "platform/ui/modal_window.h"
#include "rowcast/front/crowcast.h"
#include "rowcast/front/rowcast_logo.h"

namespace {

TEST(FrmAbout, ControlsSitWhereTheDesignPutsThemWithTheirTexts) {
  rowcast::FrmAbout box;
  EXPECT_EQ(box.windowTitle(), "About Rowcast");
  EXPECT_EQ(box.size(), QSize(360, 271));  // 5400 x 4065 twips
  const struct {
    const char* name;
    QRect pixels;
    QString text;
  } controls[] = {
      {"Label1", {8, 8, 209, 73}, "Rowcast - Tabulon"},
      {"lblVersion", {120, 144, 177, 33}, "Version 2.1.0"},
      {"lblDetails", {24, 192, 305, 41}, ""},  // this release carries no file description
      {"lblAuthor", {0, 248, 177, 17}, "Vandr (help@vandr.example)"},
      {"lblDate", {240, 248, 113, 17}, "\u00a9 2026 Vandr"},
  };
  for (const auto& c : controls) {
    auto* label = box.findChild<QLabel*>(c.name);
    ASSERT_NE(label, nullptr) << c.name;
    EXPECT_EQ(label->geometry(), c.pixels) << c.name;
    EXPECT_EQ(label->text(), c.text) << c.name;
  }
  EXPECT_EQ(box.findChild<QLabel*>("Label1")->font().pixelSize(), 32);  // 24 points
  EXPECT_TRUE(box.findChild<QLabel*>("lblVersion")->font().bold());
  auto* close = box.findChild<QPushButton*>("cmdClose");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->geometry(), QRect(288, 8, 65, 25));
  EXPECT_EQ(close->text(), "Close");

  auto* picture = box.findChild<QLabel*>("Picture1");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(83, 70, 191, 87));
  EXPECT_EQ(picture->pixmap().size(), QSize(200, 78));
  const QImage logo = rowcast::drawRowcastLogo();
  EXPECT_EQ(logo.depth(), 24);
}

TEST(FrmAbout, AssistiveTechnologyReadsEachControl) {
  const platform::test::ExpectedControl readAs[] = {
      {"Label1", QAccessible::StaticText, "Rowcast - Tabulon", "", -1},
      {"Picture1", QAccessible::Graphic, "Rowcast logo", "", -1},
      {"lblVersion", QAccessible::StaticText, "Version 2.1.0", "", -1},
      {"lblAuthor", QAccessible::StaticText, "Vandr (help@vandr.example)", "", -1},
      {"cmdClose", QAccessible::PushButton, "Close", "", 0},
  };
  rowcast::FrmAbout box;
  box.show();
  platform::test::expectExposedAsDesigned(box, readAs);
  EXPECT_EQ(platform::test::tabChain(box), platform::test::designTabChain(box, readAs));
}

// about opens the box modal and returns once Close is clicked.
TEST(FrmAbout, AboutShowsTheBoxModalUntilClose) {
  platform::allowModalWithoutDisplay(true);  // the test clicks Close itself
  rowcast::CRowcast object;
  QString shown;
  QTimer::singleShot(0, [&shown] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    shown = modal->objectName() + ": " + modal->findChild<QLabel*>("lblVersion")->text();
    QTest::mouseClick(modal->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
  });
  std::vector<core::Value> none;
  core::Value result;
  const core::Fault fault = platform::callByName(object, "about", platform::CallKind::Method, none, result);
  EXPECT_FALSE(fault.isFault()) << fault.description.toStdString();
  EXPECT_EQ(shown, "frmAbout: Version 2.1.0");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
