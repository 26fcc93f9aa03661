#pragma once
// Long series of writes (an import, the deletion of a large tree) in
// transactions that each hold the store's write lock for a bounded time, so
// that a neighbour's settings write waits at most about that long instead of
// for the whole series.
#include <chrono>
#include <functional>

#include "platform/registry/registry.h"

namespace platform {

inline constexpr std::chrono::milliseconds kWriteSlice{50};

// Calls `step` until it sets `finished` or fails, in transactions of about
// `slice` each (runAtomically: a transaction lands whole or not at all).
// After each transaction commits, `committed` is called, so that the caller
// knows how far its writes reached. The first failure ends the series: its
// own transaction is rolled back, the ones before it stay.
int32_t runSliced(Registry& registry, const std::function<int32_t(bool& finished)>& step,
                  const std::function<void()>& committed = {}, std::chrono::milliseconds slice = kWriteSlice);

}  // namespace platform
