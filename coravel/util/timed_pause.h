#pragma once
// A pause that keeps the caller's windows responsive.
#include <cstdint>

namespace coravel {

// Waits until the clock, read to the whole second, has moved on `secs`
// seconds from its reading at the start: at least secs - 1 and at most secs
// seconds. Pending events of the calling thread are handled throughout, so
// the host's windows stay live and their handlers may run meanwhile; between
// events the thread sleeps. `secs` <= 0 returns at once.
void timedPause(int32_t secs);

}  // namespace coravel
