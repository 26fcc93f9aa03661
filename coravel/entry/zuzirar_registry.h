#pragma once
// The class through which the host enters the library: four members that open
// the library's windows and the nine settings operations. Creatable as
// "Coravel.ZuzirarRegistry"; C++ hosts may also use it directly.
#include "coravel/entry/library_windows.h"
#include "coravel/settings/registry_settings.h"
#include "platform/component/dispatch_object.h"

namespace coravel {

class ZuzirarRegistry : public platform::DispatchObject {
 public:
  ZuzirarRegistry();  // the process-wide registry and windows
  ZuzirarRegistry(platform::Registry& registry, LibraryWindows& windows);

  // Names a window that the library does not contain: fails with fault 424.
  void RunExcelfrm();
  void ShowHolidayfrm() { windows_.show(WindowId::Holidays); }
  void ShowSickfrm() { windows_.show(WindowId::Sick); }
  void ShowVacationfrm() { windows_.show(WindowId::Vacations); }
  void ShowGraphfrm() { windows_.show(WindowId::Graph); }

  RegistrySettings& settings() { return settings_; }

 private:
  void declareMembers();

  RegistrySettings settings_;
  LibraryWindows& windows_;
};

}  // namespace coravel
