// A library for the loader's tests, built twice: as the one a folder that
// no one else may change holds, and as one that someone planted. Each says
// which it is; the planted one also marks the process as soon as it loads,
// before anything of it is called.
#include <cstdint>
#include <cstdlib>

#ifndef PROBE_NAME
#error "PROBE_NAME must name the probe"
#endif

namespace {

// Runs at load, as any planted code would.
[[gnu::constructor]] void markLoaded() {
  if (PROBE_PLANTED) ::setenv("WW_PLANTED_LIBRARY_RAN", "1", 1);
}

}  // namespace

extern "C" {

[[gnu::visibility("default")]] const char* WwLibraryVersion() { return PROBE_NAME; }

[[gnu::visibility("default")]] int32_t DllRegisterServer() { return PROBE_PLANTED ? 666 : 1; }

[[gnu::visibility("default")]] int32_t DllGetClassObject(const char*, const char*, void** out) {
  *out = nullptr;
  return 1;
}
}
