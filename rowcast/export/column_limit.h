#pragma once
// Column counts of a list are 16-bit: the HTML writer stops with an overflow
// fault at 32,767 columns, where its column counter would overflow.
#include <cstdint>

#include "core/fault.h"

namespace rowcast {

inline int checkedColumnCount(int64_t count) {
  if (count >= 32767) throw core::FaultError(core::kOverflow);
  return int(count);
}

}  // namespace rowcast
