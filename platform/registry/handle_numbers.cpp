#include "platform/registry/handle_numbers.h"

#include <atomic>

namespace platform {

HKEY drawHandleNumber() {
  static std::atomic<uint32_t> next{0x100};
  return next.fetch_add(1, std::memory_order_relaxed) & 0x7FFFFFFFu;
}

}  // namespace platform
