#pragma once
// Puts a fitted list on the pages: the title, the header line (again at the
// top of every later page), one line per item, the grand-total line and the
// profile line. Every column starts at the sum of the widths before it; no
// cell is clipped, padded or aligned. Page breaks come only from
// Printer::print running past the bottom of a page. A text far longer than
// any page is wide is cut to what can reach the page before it is printed.
#include <QLocale>
#include <vector>

#include "platform/printer/printer.h"
#include "rowcast/list/list_model.h"
#include "rowcast/printer/column_totals.h"
#include "rowcast/printer/print_formats.h"
#include "rowcast/printer/print_progress.h"

namespace rowcast {

class PageRenderer {
 public:
  // `progress`, when given, hears of every page and may cancel the job: the
  // rows stop and nothing more is drawn.
  PageRenderer(const ListModel& list, platform::Printer& printer, const std::vector<int32_t>& columnWidths,
               const QLocale& locale, PrintProgress* progress = nullptr);

  // Failing steps are skipped (see continue_on_error.h).
  void render(const QString& title, const QString& profileName);

  static constexpr float kTitleSize = 16;
  static constexpr float kLandscapeHeaderSize = 10;
  static constexpr float kLargestPlainDateSize = 11;  // above it, dates print as mm/dd/yy
  static inline const QString kTotalLabel = QStringLiteral("Grand Total: ");

 private:
  struct PlacedText {
    int64_t left;
    QString text;
  };

  void printTitle(const QString& title);
  void printColumnHeaders();
  int16_t printRows();
  void printRow(int item, int16_t& rememberedPage);
  bool cancelled() const { return progress_ && progress_->cancelled(); }
  void lookAhead(int lines, int16_t& rememberedPage, float& top);
  void printFoot(const QString& profileName, int16_t& rememberedPage);
  void printTotalLine();
  void printSideBySide(const std::vector<PlacedText>& texts);
  int64_t columnLeft(int column) const { return lefts_[size_t(column)]; }
  QString reachingThePage(const QString& text) const;

  const ListModel& list_;
  platform::Printer& printer_;
  std::vector<int64_t> lefts_;  // left edge of each column
  ColumnTotals totals_;
  ShortDateCell dateCell_;
  PrintProgress* progress_;
  int columns_ = 0;
};

}  // namespace rowcast
