#pragma once
// The copies a host's print dialog asked for, on a device that makes only
// one of each page (a PDF file; a print system makes its own). Every sheet
// drawn is recorded; uncollated, each is drawn again right after itself, and
// collated (the dialog's default) the whole document follows once more for
// each further copy.
#include <QFont>
#include <QLineF>
#include <QPageLayout>
#include <QPen>
#include <QPointF>
#include <QString>
#include <variant>
#include <vector>

class QPainter;
class QPrinter;

namespace platform {

class PageCopies {
 public:
  // One copy: nothing is recorded.
  PageCopies() = default;
  // The copies `device` was set to, when it cannot make them itself.
  explicit PageCopies(const QPrinter& device);

  bool recording() const { return copies_ > 1; }
  // A new sheet of `device` is being drawn, in its present orientation.
  void sheetOpened(const QPrinter& device);
  // What went on the open sheet, in device coordinates.
  void recordText(QPointF baseline, const QFont& font, const QString& text);
  void recordLine(QLineF line, const QPen& pen);

  // The open sheet is full. Uncollated copies of it go on new sheets now;
  // `device` is left in the orientation it had for the pages to come.
  void sheetDone(QPrinter& device, QPainter& painter);
  // The last sheet is done: collated copies of the whole document follow.
  void documentDone(QPrinter& device, QPainter& painter);

 private:
  struct Text {
    QPointF baseline;
    size_t font;  // in fonts_
    QString text;
  };
  struct Line {
    QLineF line;
    QPen pen;
  };
  struct Sheet {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    std::vector<std::variant<Text, Line>> drawn;
  };

  void drawAgain(const Sheet& sheet, QPrinter& device, QPainter& painter) const;

  int copies_ = 1;
  bool collate_ = true;
  std::vector<QFont> fonts_;
  std::vector<Sheet> sheets_;  // the open one last; done ones kept only when collating
};

}  // namespace platform
