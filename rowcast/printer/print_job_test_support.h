#pragma once
// Test helpers: a CPrinter job on the recording printer with scripted
// message-box answers, and lists built from text lengths.
#include <QTemporaryDir>

#include "platform/printer/recording_printer.h"
#include "platform/ui/fake_ui.h"
#include "rowcast/list/memory_list.h"
#include "rowcast/printer/cprinter.h"

namespace rowcast::test {

// A text of `length` characters: `length` x size x 10 twips wide in bold on
// the recording printer.
inline QString textOf(int length, QChar fill = u'x') { return QString(length, fill); }

// A list of one row whose cells (and headers) are as long as given.
inline std::shared_ptr<MemoryList> listOfWidths(const QList<int>& lengths, const QString& name = QStringLiteral("Widths")) {
  QStringList headers, row;
  for (int length : lengths) {
    headers.append(textOf(1, u'H'));
    row.append(textOf(length));
  }
  return std::make_shared<MemoryList>(name, headers, std::vector<QStringList>{row});
}

struct PrintJob {
  explicit PrintJob(std::shared_ptr<ListModel> list, int16_t orientation = 1, int16_t size = 12,
                    int32_t pageShortSide = platform::RecordingPrinter::kLetterShortSide)
      : printer(pageShortSide) {
    output.setLvwToPrint(std::move(list));
    output.setOrientation(orientation);
    output.setFontName(QStringLiteral("Arial"));
    output.setFontSize(size);
    output.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
  }

  // The printed texts equal to `text`.
  QList<platform::RecordingPrinter::PrintedText> find(const QString& text) const {
    QList<platform::RecordingPrinter::PrintedText> found;
    for (const auto& p : printer.printed)
      if (p.text == text) found.append(p);
    return found;
  }
  // The one printed text equal to `text` (a default one when there is not exactly one).
  platform::RecordingPrinter::PrintedText one(const QString& text) const {
    const auto found = find(text);
    return found.size() == 1 ? found.first() : platform::RecordingPrinter::PrintedText{};
  }

  QTemporaryDir logDir;
  platform::RecordingPrinter printer;
  platform::FakeUi ui;
  CPrinter output{logDir.path(), printer, ui};
};

}  // namespace rowcast::test
