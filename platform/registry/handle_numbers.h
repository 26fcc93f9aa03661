#pragma once
// The numbers of open keys' handles. Every store of the process, on SQLite
// or in memory, draws them from one count, so no two stores give out the
// same number: a handle passed to a store that did not give it out is not
// one of that store's (kInvalidHandle), never taken for one of its keys.
#include <cstdint>

#include "platform/registry/registry.h"

namespace platform {

// The next number of the process's count, below the roots' (bit 31 clear).
HKEY drawHandleNumber();

// A new handle number that the calling store is not using (`inUse(h)`:
// it is, which happens only once the count has wrapped), from 0x100 up:
// low numbers stay free, as 0 is no key.
template <class InUse>
HKEY newHandleNumber(const InUse& inUse) {
  HKEY h = 0;
  do {
    h = drawHandleNumber();
  } while (h < 0x100 || inUse(h));
  return h;
}

}  // namespace platform
