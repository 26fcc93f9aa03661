#include "platform/registry/sliced_writes.h"

namespace platform {

int32_t runSliced(Registry& registry, const std::function<int32_t(bool& finished)>& step,
                  const std::function<void()>& committed, std::chrono::milliseconds slice) {
  bool finished = false;
  while (!finished) {
    const int32_t rc = registry.runAtomically([&] {
      // Timed from inside the transaction: waiting for the lock is not holding it.
      const auto start = std::chrono::steady_clock::now();
      do {
        if (const int32_t result = step(finished); result != reg::kSuccess) return result;
      } while (!finished && std::chrono::steady_clock::now() - start < slice);
      return reg::kSuccess;
    });
    if (rc != reg::kSuccess) return rc;
    if (committed) committed();
  }
  return reg::kSuccess;
}

}  // namespace platform
