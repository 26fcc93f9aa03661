#include "coravel/entry/library_windows.h"

#include "coravel/graph/graph_dialog.h"
#include "coravel/leave/holiday_dialog.h"
#include "coravel/leave/pay_rate_dialog.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/ui/modal_window.h"
#include "platform/ui/qt_ui.h"

namespace coravel {

namespace {

// A leave-pay dialog as a shared window: its opening code and its modal showing.
template <class Dialog>
class DialogWindow : public ModalWindow {
 public:
  explicit DialogWindow(std::unique_ptr<Dialog> dialog) : dialog_(std::move(dialog)) {}
  void load() override { dialog_->load(); }
  void showModal() override { platform::showModal(*dialog_); }

 private:
  std::unique_ptr<Dialog> dialog_;
};

// Each window reads and writes the process's settings store and beeps
// through the process's user interface.
SharedWindow::Factory holidayWindow() {
  return [] {
    platform::ensureGuiApplication();
    return std::make_unique<DialogWindow<HolidayDialog>>(
        std::make_unique<HolidayDialog>(platform::defaultRegistry(), platform::ui()));
  };
}

SharedWindow::Factory payRateWindow(PayRateDesign (*design)()) {
  return [design] {
    platform::ensureGuiApplication();
    return std::make_unique<DialogWindow<PayRateDialog>>(
        std::make_unique<PayRateDialog>(design(), platform::defaultRegistry(), platform::ui()));
  };
}

SharedWindow::Factory graphWindow() {
  return [] {
    platform::ensureGuiApplication();
    return std::make_unique<DialogWindow<GraphDialog>>(
        std::make_unique<GraphDialog>(platform::defaultRegistry(), platform::ui()));
  };
}

class SharedLibraryWindows : public LibraryWindows {
 public:
  void show(WindowId id) override { windowFor(id).show(); }

 private:
  SharedWindow& windowFor(WindowId id) {
    switch (id) {
      case WindowId::Holidays: return holidays_;
      case WindowId::Sick: return sick_;
      case WindowId::Vacations: return vacations_;
      case WindowId::Graph: break;
    }
    return graph_;
  }

  SharedWindow holidays_{QStringLiteral("frmHolidays"), holidayWindow()};
  SharedWindow sick_{QStringLiteral("frmSick"), payRateWindow(&sickDesign)};
  SharedWindow vacations_{QStringLiteral("frmVacations"), payRateWindow(&vacationDesign)};
  SharedWindow graph_{QStringLiteral("frmGraph"), graphWindow()};
};

}  // namespace

LibraryWindows& libraryWindows() {
  static SharedLibraryWindows windows;
  return windows;
}

}  // namespace coravel
