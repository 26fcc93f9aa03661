#pragma once
// The pages of a printout that a host's print dialog asked for. Pages outside
// them are still laid out, so page breaks and headers stay where they are;
// they are only not drawn.
#include <QPageRanges>
#include <QStringList>

class QPrinter;

namespace platform {

class PageSelection {
 public:
  // Every page.
  PageSelection() = default;
  // The pages `printer` was set to: its page ranges, those of its print
  // system option "page-ranges" (the dialog's "Pages" field), or the first
  // page for "current page" (the one a preview opens on). "Selection" has no meaning
  // for a printout of the whole list and prints every page.
  explicit PageSelection(const QPrinter& printer);

  bool includes(int page) const { return ranges_.isEmpty() || ranges_.contains(page); }

 private:
  QPageRanges ranges_;
};

// The print system options a print dialog chose for `printer` ("sides",
// "page-ranges", ...), as name, value pairs.
QStringList printSystemOptions(const QPrinter& printer);

}  // namespace platform
