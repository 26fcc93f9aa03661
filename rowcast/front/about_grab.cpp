// about_grab OUTDIR: draws the about box to frmAbout.png and the logo to
// logo.png, so that they can be looked at without a screen.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "rowcast/front/frm_about.h"
#include "rowcast/front/rowcast_logo.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: about_grab OUTDIR\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  rowcast::FrmAbout box;
  box.show();
  QApplication::processEvents();
  const bool boxSaved = box.grab().save(out.filePath(QStringLiteral("frmAbout.png")));
  const bool logoSaved = rowcast::drawRowcastLogo().save(out.filePath(QStringLiteral("logo.png")));
  std::printf("%s %s\n", boxSaved && logoSaved ? "wrote" : "could not write", qUtf8Printable(out.path()));
  return boxSaved && logoSaved ? 0 : 1;
}
