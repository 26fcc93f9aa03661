#include "platform/ui/window_snapshot.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

template <class Control, class... Args>
Control* add(QWidget* parent, const char* name, Args&&... args) {
  auto* control = new Control(std::forward<Args>(args)..., parent);
  control->setObjectName(QLatin1String(name));
  return control;
}

// Every kind of control a window shows, one of them moved in the tab order,
// one hidden, one inside a frame, one with text that needs escaping.
class SampleWindow : public QDialog {
 public:
  SampleWindow() {
    setObjectName(QStringLiteral("frmSample"));
    setWindowTitle(QStringLiteral("Say \"hi\""));
    resize(200, 150);
    QPixmap picture(16, 16);
    picture.fill(Qt::red);
    add<QLabel>(this, "Picture1")->setPixmap(picture);
    add<QLabel>(this, "lblName", QStringLiteral("Name:\tfirst"));
    auto* name = add<QLineEdit>(this, "txtName", QStringLiteral("Ann"));
    auto* frame = add<QGroupBox>(this, "Frame1", QStringLiteral("Options"));
    add<QRadioButton>(frame, "optA", QStringLiteral("A"));
    add<QRadioButton>(frame, "optB", QStringLiteral("B"))->setChecked(true);
    add<QCheckBox>(this, "ckShow", QStringLiteral("Show"))->setChecked(true);
    add<QCheckBox>(this, "ckOff", QStringLiteral("Off"));
    add<QLabel>(this, "lblSecret", QStringLiteral("secret"))->hide();
    add<QLabel>(this, "qt_helper", QStringLiteral("not a control"));
    add<QLabel>(this, "", QStringLiteral("no name"));
    auto* ok = add<QPushButton>(this, "cmdOk", QStringLiteral("Ok"));
    QWidget::setTabOrder(name, ok);  // Ok is reached right after the name box
  }
};

TEST(WindowSnapshot, ListsEveryNamedControlInTabOrderWithItsState) {
  SampleWindow window;
  window.show();
  EXPECT_EQ(platform::describeWindow(window).join(QLatin1Char('\n')).toStdString(),
            "window: frmSample \"Say \\\"hi\\\"\"\n"
            "control: Picture1 \"\"\n"
            "control: lblName \"Name:\\tfirst\"\n"
            "control: txtName \"Ann\"\n"
            "control: cmdOk \"Ok\"\n"
            "control: Frame1 \"Options\"\n"
            "control: optA \"A\"\n"
            "control: optB \"B\" checked\n"
            "control: ckShow \"Show\" checked\n"
            "control: ckOff \"Off\"\n"
            "control: lblSecret \"secret\" hidden");
}

TEST(WindowSnapshot, PictureIsTheWindowAtItsSizeNamedAfterIt) {
  QTemporaryDir dir;
  SampleWindow window;
  window.show();
  const QString file = platform::saveWindowPicture(window, dir.path());
  EXPECT_EQ(file, dir.filePath(QStringLiteral("frmSample.png")));
  EXPECT_EQ(QImage(file).size(), window.size());
  EXPECT_TRUE(platform::saveWindowPicture(window, dir.filePath(QStringLiteral("missing/folder"))).isEmpty());
  // Only a regular file takes a picture: a FIFO is refused at once, not
  // waited on, and is left as it was.
  const QString fifo = dir.filePath(QStringLiteral("fifo.png"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(platform::savePicture(window.grab(), fifo));
  EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
}

}  // namespace
