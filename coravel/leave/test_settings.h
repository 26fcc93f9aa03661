#pragma once
// Test support: a settings store in memory, never the user's, a temporary
// folder for the files a test makes, and the test double of the user
// interface.
#include <QTemporaryDir>

#include "coravel/settings/registry_settings.h"
#include "platform/registry/memory_registry.h"
#include "platform/ui/fake_ui.h"

namespace coravel::test {

struct TestSettings {
  QTemporaryDir dir;
  platform::MemoryRegistry registry;
  RegistrySettings settings{registry};
  platform::FakeUi ui;

  void store(const char* name, const char* text) {
    settings.writeSetting(QLatin1String(name), QString::fromUtf8(text));
  }
  // The stored text; "<missing>" when there is no string value.
  QString stored(const char* name) {
    const core::Value v = settings.readSetting(QLatin1String(name));
    return v.isEmpty() ? QStringLiteral("<missing>") : v.toText();
  }
};

}  // namespace coravel::test
