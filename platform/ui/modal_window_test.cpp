#include "platform/ui/modal_window.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QCloseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/fault.h"

namespace {

// A window whose opening code leaves work queued (as a window that loads
// files a folder at a time does) and whose closing code must run.
class ProbeWindow : public QDialog {
 public:
  ProbeWindow() {
    setObjectName(QStringLiteral("frmProbe"));
    setWindowTitle(QStringLiteral("Probe"));
    resize(120, 80);
    status_ = new QLabel(QStringLiteral("loading"), this);
    status_->setObjectName(QStringLiteral("lblStatus"));
  }
  int shown = 0, closed = 0;
  bool refuseClose = false;  // closing code that keeps the window open

 protected:
  void showEvent(QShowEvent* event) override {
    ++shown;
    // Two turns of the event loop before the window is complete.
    QTimer::singleShot(0, this, [this] {
      QTimer::singleShot(0, this, [this] { status_->setText(QStringLiteral("3 files")); });
    });
    QDialog::showEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    ++closed;
    if (refuseClose) event->ignore();
    else QDialog::closeEvent(event);
  }

 private:
  QLabel* status_;
};

class ModalWindowTest : public ::testing::Test {
 protected:
  void TearDown() override { qunsetenv("WAGEWISE_UI_SNAPSHOT"); }
};

TEST_F(ModalWindowTest, WithoutADisplayTheWindowIsRefusedAtOnce) {
  ProbeWindow window;
  QTimer rescue;  // ends a wrongly entered modal loop, so the test fails instead of hanging
  QObject::connect(&rescue, &QTimer::timeout, &window, &QDialog::reject);
  rescue.start(3000);
  try {
    platform::showModal(window);
    ADD_FAILURE() << "the window was shown with nobody to see it";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().description, "no display to show frmProbe on");
  }
  EXPECT_EQ(window.shown, 0);
}

TEST_F(ModalWindowTest, SnapshotSettlesPicturesListsAndClosesThroughTheCloseBox) {
  for (bool refuseClose : {false, true}) {
    QTemporaryDir dir;
    qputenv("WAGEWISE_UI_SNAPSHOT", QFile::encodeName(dir.path()));
    ProbeWindow window;
    window.refuseClose = refuseClose;
    testing::internal::CaptureStdout();
    platform::showModal(window);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "window: frmProbe \"Probe\"\ncontrol: lblStatus \"3 files\"\n"
              "accessible: lblStatus StaticText \"3 files\"\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("frmProbe.png"))));
    EXPECT_EQ(window.closed, 1);
    EXPECT_FALSE(window.isVisible()) << "refused close: " << refuseClose;
  }
}

TEST_F(ModalWindowTest, ASnapshotThatCannotBeWrittenFailsAfterTheWindowClosed) {
  QTemporaryDir dir;
  qputenv("WAGEWISE_UI_SNAPSHOT", QFile::encodeName(dir.filePath(QStringLiteral("missing"))));
  ProbeWindow window;
  testing::internal::CaptureStdout();
  try {
    platform::showModal(window);
    ADD_FAILURE() << "a picture that was not written passed as written";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kPathFileAccessError);
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(window.closed, 1);
}

}  // namespace
