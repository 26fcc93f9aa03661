#pragma once
// Coravel.ZuzirarRegistry as the host uses it: the shared settings key, and
// the library's windows. A fresh instance serves each call (it is stateless).
#include <QString>

#include "host/component_session.h"

namespace host {

// The settings key the host shares with the library's windows.
inline constexpr char kSettingsKey[] = "Software\\Vandr\\Registry";

class CoravelClient {
 public:
  explicit CoravelClient(ComponentSession& session) : session_(session) {}

  // A value of the settings key; empty when it is missing or cannot be read.
  QString setting(const QString& name);
  core::Fault saveSetting(const QString& name, const QString& value);

  // Opens one of the library's windows (ShowHolidayfrm, ShowSickfrm,
  // ShowVacationfrm, ShowGraphfrm) and returns when it has closed.
  core::Fault openWindow(const QString& member);

 private:
  ComponentSession& session_;
};

}  // namespace host
