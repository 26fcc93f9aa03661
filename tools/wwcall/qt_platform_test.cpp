#include "tools/wwcall/qt_platform.h"

#include <gtest/gtest.h>

namespace {

TEST(QtPlatform, EveryChoiceFallsBackToOffscreen) {
  struct Case {
    const char* requested;
    bool x11, wayland;
    const char* expected;
  } cases[] = {
      {"", false, false, "offscreen"},
      {"", true, false, "xcb;offscreen"},
      {"", true, true, "wayland;xcb;offscreen"},
      {"xcb", true, false, "xcb;offscreen"},
      {"nope", false, false, "nope;offscreen"},
      {"offscreen", true, false, "offscreen"},
      {"xcb;offscreen:fontengine=freetype", true, false, "xcb;offscreen:fontengine=freetype"},
      {" ; ", true, false, "xcb;offscreen"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tools::qtPlatformList(c.requested, c.x11, c.wayland), QByteArray(c.expected)) << c.requested;
}

}  // namespace
