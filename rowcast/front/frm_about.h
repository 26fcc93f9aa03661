#pragma once
// The about box: the library's name, logo, version, file description, legal
// notice and author line, and a Close button. Each control sits where the
// design puts it (twips, 15 a pixel) and carries its design name.
#include <QDialog>

class QLabel;
class QPushButton;

namespace rowcast {

class FrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit FrmAbout(QWidget* parent = nullptr);

 private:
  // The texts filled in as the window loads, from the version information.
  void fillFromVersionInformation();

  QLabel* lblVersion_;
  QLabel* lblDetails_;
  QLabel* lblAuthor_;
  QLabel* lblDate_;
};

}  // namespace rowcast
