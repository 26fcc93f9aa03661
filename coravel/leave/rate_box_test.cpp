#include "coravel/leave/rate_box.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using coravel::RateBox;

namespace {

class RateBoxTest : public ::testing::Test {
 protected:
  void paste(const QString& clipboard) {
    QGuiApplication::clipboard()->setText(clipboard);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
  }

  RateBox box;
  QSignalSpy refused{&box, &RateBox::inputRefused};
};

TEST_F(RateBoxTest, TypedKeysOutsideTheRateCharactersAreDiscarded) {
  QTest::keyClicks(&box, "1a2-3 .4.5");
  EXPECT_EQ(box.text(), "123.4.5");  // a second point may be typed
  EXPECT_EQ(refused.count(), 3);
  // Enter and Escape type characters too; neither may reach the window.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Escape ? "\x1b" : "\r");
    QApplication::sendEvent(&box, &press);
    EXPECT_TRUE(press.isAccepted()) << key;
  }
  EXPECT_EQ(refused.count(), 6);

  QTest::keyClick(&box, Qt::Key_Backspace);
  QTest::keyClick(&box, Qt::Key_Home);
  QTest::keyClick(&box, Qt::Key_Delete);
  QTest::keyClick(&box, Qt::Key_End);
  QTest::keyClick(&box, Qt::Key_Left);
  QTest::keyClicks(&box, "9");
  QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);  // select all
  QTest::keyClick(&box, Qt::Key_Tab);
  EXPECT_EQ(box.text(), "23.49.");
  EXPECT_EQ(refused.count(), 6) << "editing keys are not typed characters";
}

TEST_F(RateBoxTest, APasteHoldingAnythingElseIsRefusedWhole) {
  box.setText("1");
  paste("2x");
  paste("-3");
  EXPECT_EQ(box.text(), "1");
  EXPECT_EQ(refused.count(), 2);

  paste(" 7.25\n");  // a copied cell: the blanks and line end around it go
  EXPECT_EQ(box.text(), "17.25");
  EXPECT_EQ(refused.count(), 2);
}

TEST_F(RateBoxTest, TheContextMenuPastesThroughTheFilter) {
  box.show();
  auto pasteFromMenu = [this](const QString& clipboard) {
    QGuiApplication::clipboard()->setText(clipboard);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), box.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&box, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* action = nullptr;
    for (QAction* a : menu->actions())
      if (a->text().startsWith(QLineEdit::tr("&Paste"))) action = a;
    ASSERT_NE(action, nullptr);
    action->trigger();
    menu->close();
  };
  pasteFromMenu("abc");
  EXPECT_EQ(box.text(), "");
  EXPECT_EQ(refused.count(), 1);
  pasteFromMenu("9.5");
  EXPECT_EQ(box.text(), "9.5");
  EXPECT_EQ(refused.count(), 1);
}

TEST_F(RateBoxTest, DroppedTextGoesThroughTheFilter) {
  auto drop = [this](const QString& text) {
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &drop);
  };
  drop("1e5");
  EXPECT_EQ(box.text(), "");
  EXPECT_EQ(refused.count(), 1);
  drop("15");
  EXPECT_EQ(box.text(), "15");
}

TEST_F(RateBoxTest, AnInputMethodCannotCommitOtherCharacters) {
  auto commit = [this](const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(&box, &event);
  };
  commit(QStringLiteral("\u00BD"));
  EXPECT_EQ(box.text(), "");
  EXPECT_EQ(refused.count(), 1);
  commit(QStringLiteral("3"));
  EXPECT_EQ(box.text(), "3");
}

}  // namespace
