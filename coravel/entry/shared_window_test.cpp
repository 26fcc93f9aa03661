#include "coravel/entry/shared_window.h"

#include <gtest/gtest.h>

#include "core/fault.h"

namespace {

struct Journal {
  int created = 0, loaded = 0, shown = 0, destroyed = 0;
  bool failLoad = false;
};

class ProbeWindow : public coravel::ModalWindow {
 public:
  explicit ProbeWindow(Journal& j) : j_(j) { ++j_.created; }
  ~ProbeWindow() override { ++j_.destroyed; }
  void load() override {
    ++j_.loaded;
    if (j_.failLoad) throw core::FaultError(core::kTypeMismatch);
  }
  void showModal() override { ++j_.shown; }

 private:
  Journal& j_;
};

TEST(SharedWindow, EachShowingLoadsAfreshAndUnloadsAfterwards) {
  Journal j;
  coravel::SharedWindow window("frmProbe", [&j] { return std::make_unique<ProbeWindow>(j); });
  window.show();
  window.show();
  EXPECT_EQ(j.created, 2);
  EXPECT_EQ(j.loaded, 2);
  EXPECT_EQ(j.shown, 2);
  EXPECT_EQ(j.destroyed, 2);
  EXPECT_FALSE(window.isShowing());
}

TEST(SharedWindow, AFaultWhileLoadingReachesTheCallerAndNothingIsShown) {
  Journal j;
  j.failLoad = true;
  coravel::SharedWindow window("frmProbe", [&j] { return std::make_unique<ProbeWindow>(j); });
  try {
    window.show();
    FAIL() << "the opening fault was swallowed";
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kTypeMismatch);
  }
  EXPECT_EQ(j.shown, 0);
  EXPECT_EQ(j.destroyed, 1);
  j.failLoad = false;
  window.show();  // the next call starts afresh
  EXPECT_EQ(j.shown, 1);
}

TEST(SharedWindow, UnavailableWindowsFailClearly) {
  coravel::SharedWindow window("frmGraph", coravel::unavailableWindow("frmGraph"));
  try {
    window.show();
    FAIL();
  } catch (const core::FaultError& e) {
    EXPECT_EQ(e.fault().number, core::kObjectRequired);
    EXPECT_TRUE(e.fault().description.contains("frmGraph"));
  }
}

}  // namespace
