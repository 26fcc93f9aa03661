#include "coravel/util/timed_pause.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace coravel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The longest wait for an event before the clock is read again.
constexpr milliseconds kLongestWait{50};

std::chrono::seconds wholeSeconds(Clock::time_point t) {
  return std::chrono::floor<std::chrono::seconds>(t.time_since_epoch());
}

// Handles the pending events, or waits up to `timeout` for one.
void handleEventsOrWait(milliseconds timeout) {
  if (!QCoreApplication::instance() || !QAbstractEventDispatcher::instance(QThread::currentThread())) {
    std::this_thread::sleep_for(timeout);  // a host without an event loop: nothing to keep live
    return;
  }
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(timeout);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

void timedPause(int32_t secs) {
  const std::chrono::seconds start = wholeSeconds(Clock::now());
  for (Clock::time_point now = Clock::now(); (wholeSeconds(now) - start).count() < secs; now = Clock::now()) {
    // Wake at the next whole second at the latest, so the pause ends on time.
    const auto toNextSecond =
        std::chrono::ceil<milliseconds>(wholeSeconds(now) + std::chrono::seconds(1) - now.time_since_epoch());
    handleEventsOrWait(std::clamp(toNextSecond, milliseconds(1), kLongestWait));
  }
}

}  // namespace coravel
