#pragma once
// The pages of a printout that a host's print dialog asked for. Pages outside
// them are still laid out, so page breaks and headers stay where they are;
// they are only not drawn.
#include <QPageRanges>

class QPrinter;

namespace platform {

class PageSelection {
 public:
  // Every page.
  PageSelection() = default;
  // The pages `printer` was set to: its page ranges, or the first page for
  // "current page" (the one a preview opens on). "Selection" has no meaning
  // for a printout of the whole list and prints every page.
  explicit PageSelection(const QPrinter& printer);

  bool includes(int page) const { return ranges_.isEmpty() || ranges_.contains(page); }

 private:
  QPageRanges ranges_;
};

}  // namespace platform
