#include "coravel/entry/library_windows.h"

namespace coravel {

namespace {

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

  SharedWindow holidays_{QStringLiteral("frmHolidays"), unavailableWindow(QStringLiteral("frmHolidays"))};
  SharedWindow sick_{QStringLiteral("frmSick"), unavailableWindow(QStringLiteral("frmSick"))};
  SharedWindow vacations_{QStringLiteral("frmVacations"), unavailableWindow(QStringLiteral("frmVacations"))};
  SharedWindow graph_{QStringLiteral("frmGraph"), unavailableWindow(QStringLiteral("frmGraph"))};
};

}  // namespace

LibraryWindows& libraryWindows() {
  static SharedLibraryWindows windows;
  return windows;
}

}  // namespace coravel
