// leave_grab OUTDIR: draws the holiday, sick and vacation pay windows to PNG
// files, each as it opens over a few stored settings, so that their layout can
// be looked at without a screen. Uses a throwaway settings store.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "coravel/leave/holiday_dialog.h"
#include "coravel/leave/pay_rate_dialog.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/ui.h"

namespace {

bool grab(QDialog& dialog, const QString& file) {
  dialog.show();
  QApplication::processEvents();
  const bool saved = dialog.grab().save(file);
  dialog.hide();
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qUtf8Printable(file));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: leave_grab OUTDIR\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir storeDir;
  platform::SqliteRegistry registry(storeDir.filePath(QStringLiteral("registry.sqlite3")));
  platform::Ui& ui = platform::ui();
  bool ok = true;

  coravel::HolidayDialog first(registry, ui);
  first.load();
  ok &= grab(first, out.filePath(QStringLiteral("frmHolidays-first.png")));

  coravel::RegistrySettings settings(registry);
  settings.writeSetting(QStringLiteral("HolidaysPay"), QStringLiteral("1234.56"));
  settings.writeSetting(QStringLiteral("HolidaysPayTimeDoubleHalf"), QStringLiteral("True"));
  settings.writeSetting(QStringLiteral("SickPay"), QStringLiteral("12.5"));
  settings.writeSetting(QStringLiteral("SickHrs"), QStringLiteral("8"));
  settings.writeSetting(QStringLiteral("VacationsPay"), QStringLiteral("14.25"));
  settings.writeSetting(QStringLiteral("VacationsHrs"), QStringLiteral("7.5"));

  coravel::HolidayDialog holidays(registry, ui);
  holidays.load();
  ok &= grab(holidays, out.filePath(QStringLiteral("frmHolidays.png")));
  coravel::PayRateDialog sick(coravel::sickDesign(), registry, ui);
  sick.load();
  ok &= grab(sick, out.filePath(QStringLiteral("frmSick.png")));
  coravel::PayRateDialog vacations(coravel::vacationDesign(), registry, ui);
  vacations.load();
  ok &= grab(vacations, out.filePath(QStringLiteral("frmVacations.png")));
  return ok ? 0 : 1;
}
