#pragma once
// The windows that ZuzirarRegistry opens, each a process-wide SharedWindow.
#include "coravel/entry/shared_window.h"

namespace coravel {

enum class WindowId { Holidays, Sick, Vacations, Graph };

class LibraryWindows {
 public:
  virtual ~LibraryWindows() = default;
  // Loads and shows the window modal; faults of its opening code pass out.
  virtual void show(WindowId id) = 0;
};

// The process-wide windows of the library.
LibraryWindows& libraryWindows();

}  // namespace coravel
