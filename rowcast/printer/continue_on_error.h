#pragma once
// The printer output's rule for failures: a step that fails (a setting the
// printer refuses, a list that cannot be read, a width past 16 bits) is
// skipped and the next step runs. Nothing is reported or logged; the job
// still counts as printed. A document the printer cannot open is no step:
// CPrinter refuses the job instead.
#include <utility>

namespace rowcast {

// Runs `step`; false when it failed.
template <class Step>
bool attempt(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace rowcast
