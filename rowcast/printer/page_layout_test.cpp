// Where everything lands on the page, on the recording printer: text width =
// characters x size x 10 twips in bold (8 regular), line height = size x 24.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <QSet>

#include "rowcast/list/json_list.h"
#include "rowcast/printer/column_fitter.h"
#include "rowcast/printer/page_renderer.h"
#include "rowcast/printer/print_job_test_support.h"

namespace rowcast {
namespace {

using platform::RecordingPrinter;
using test::PrintJob;

const QStringList kShiftHeaders = {"Date", "Day", "Job", "Hours", "OT", "Miles", "Gross", "Tax", "Tips", "Net", "Bonus"};

std::shared_ptr<MemoryList> shifts() {
  return std::make_shared<MemoryList>(
      QStringLiteral("Shifts"), kShiftHeaders,
      std::vector<QStringList>{
          {"2024-03-05", "Tue", "Cook", "8", "1,000", "abc", "$1,234.50", "-$5.00", "", "$1,229.50", "$0.10"},
          {"2024-03-06", "Wed", "Cook", "7.5", "234.5", "", "$100.00", "-$1.00", "", "$100.00", "$0.20"},
          {"Notes only", "Thu"}});
}

// Left edges from the widest text of each column at 10 points (its total
// included) and a blank, plus the spread: (12240 - 1068 - 8100) / 11 = 279.
QList<float> shiftLefts() {
  const QList<int> longest = {10, 3, 4, 5, 8, 5, 9, 7, 5, 9, 5};
  QList<float> lefts{0};
  for (int i = 0; i + 1 < longest.size(); ++i) lefts.append(lefts.last() + float(longest[i] * 100 + 100 + 279));
  return lefts;
}

TEST(PageLayout, TitleHeadersRowsTotalsAndProfileLineLandWhereTheyBelong) {
  PrintJob job(shifts(), 1, 10);
  job.output.setFileName(QStringLiteral("shifts.dat"));
  ASSERT_TRUE(job.output.Rowcast());
  const QList<float> lefts = shiftLefts();
  ASSERT_EQ(lefts[1], 1379);
  ASSERT_EQ(lefts[10], 10290);

  // Title: 16-point bold, centred (13 characters = 2080 twips), over a rule.
  const auto title = job.one(QStringLiteral("Shifts Output"));
  EXPECT_FLOAT_EQ(title.x, 5060);
  EXPECT_FLOAT_EQ(title.y, 0);
  EXPECT_FLOAT_EQ(title.size, 16);
  EXPECT_TRUE(title.bold);
  ASSERT_EQ(job.printer.lines.size(), 1);
  const auto rule = job.printer.lines[0];
  EXPECT_EQ((QList<float>{rule.x1, rule.y1, rule.x2, rule.y2}), (QList<float>{5070, 384, 7150, 384}));
  EXPECT_EQ(rule.drawWidth, 20);
  EXPECT_EQ(rule.colour, qRgb(0, 0, 0));
  EXPECT_FLOAT_EQ(job.one(QStringLiteral(" ")).y, 384);

  // Header line below the title block (768), bold and underlined at the row size.
  for (int column = 0; column < kShiftHeaders.size(); ++column) {
    const auto header = job.one(kShiftHeaders[column]);
    EXPECT_FLOAT_EQ(header.x, lefts[column]) << header.text.toStdString();
    EXPECT_FLOAT_EQ(header.y, 768);
    EXPECT_TRUE(header.bold && header.underline);
    EXPECT_FLOAT_EQ(header.size, 10);
  }

  // Rows after the header's empty line, 240 twips apart, in regular type.
  const auto first = job.one(QStringLiteral("2024-03-05"));
  EXPECT_FLOAT_EQ(first.y, 1248);
  EXPECT_FALSE(first.bold || first.underline);
  EXPECT_EQ(job.one(QStringLiteral("Wed")).x, lefts[1]);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Wed")).y, 1488);
  EXPECT_EQ(job.one(QStringLiteral("$1,229.50")).x, lefts[9]);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Thu")).y, 1728);

  // An empty line, then the totals under their columns on the label's line.
  const float totalTop = 2208;
  EXPECT_EQ(job.one(QStringLiteral("Grand Total: ")).x, 0);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Grand Total: ")).y, totalTop);
  const QList<std::pair<QString, int>> totals = {{"15.50", 3},     {"1,234.50", 4}, {"$1,334.50", 6},
                                                 {"($6.00)", 7},   {"$0.00", 8},    {"$1,329.50", 9},
                                                 {"$0.30", 10}};
  for (const auto& [text, column] : totals) {
    const auto total = job.one(text);
    EXPECT_FLOAT_EQ(total.x, lefts[column]) << text.toStdString();
    EXPECT_FLOAT_EQ(total.y, totalTop) << text.toStdString();
  }
  // Miles never held a number: its total prints nothing.
  const auto printedOnTotalLine = std::count_if(job.printer.printed.begin(), job.printer.printed.end(),
                                                [&](const auto& p) { return p.y == totalTop; });
  EXPECT_EQ(printedOnTotalLine, 1 + 7);

  const auto profile = job.printer.printed.last();
  EXPECT_EQ(profile.text, QStringLiteral("Profile Name: shifts.dat"));
  EXPECT_EQ(profile.x, 0);
  EXPECT_FLOAT_EQ(profile.y, totalTop + 480);
  EXPECT_EQ(job.printer.page(), 1);
  EXPECT_EQ(job.printer.documentsEnded, 0) << "the document stays open for the host";
}

// 240-twip lines: rows start at 1248 on page 1 and need two lines of room.
TEST(PageLayout, TheHeaderLineRepeatsAtTheTopOfEveryLaterPageAndTheTitleDoesNot) {
  auto list = std::make_shared<MemoryList>(QStringLiteral("Long"), QStringList{"Name", "Value"});
  for (int row = 0; row < 150; ++row) list->addRow({QStringLiteral("Row %1").arg(row), QStringLiteral("1")});
  PrintJob job(list, 1, 10);
  ASSERT_TRUE(job.output.Rowcast());

  EXPECT_EQ(job.find(QStringLiteral("Long Output")).size(), 1);
  const auto headers = job.find(QStringLiteral("Name"));
  ASSERT_EQ(headers.size(), 3);
  EXPECT_EQ((QList<int>{headers[0].page, headers[1].page, headers[2].page}), (QList<int>{1, 2, 3}));
  EXPECT_EQ((QList<float>{headers[0].y, headers[1].y, headers[2].y}), (QList<float>{768, 240, 240}));

  // Row 55 is the last whose two look-ahead lines fit page 1 (14448 + 480).
  EXPECT_EQ(job.one(QStringLiteral("Row 55")).page, 1);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Row 55")).y, 14448);
  EXPECT_EQ(job.one(QStringLiteral("Row 56")).page, 2);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Row 56")).y, 720);
  // On page 2, row 114 ends its look-ahead exactly at the bottom (15120).
  EXPECT_EQ(job.one(QStringLiteral("Row 114")).page, 2);
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Row 114")).y, 14640);
  EXPECT_EQ(job.one(QStringLiteral("Row 115")).page, 3);
  EXPECT_EQ(job.one(QStringLiteral("Grand Total: ")).page, 3);
  EXPECT_EQ(job.printer.printed.last().page, 3);
}

// The foot (an empty line, the total line, an empty line, the profile line)
// looks ahead over all four lines: below the last row of page 1 there is
// room for three, so it begins page 2, under the header line there.
TEST(PageLayout, AFootThatDoesNotFitBeginsTheNextPageUnderItsHeaderLine) {
  auto list = std::make_shared<MemoryList>(QStringLiteral("Edge"), QStringList{"A", "B", "C", "Pay"});
  for (int row = 0; row < 56; ++row) list->addRow({"a", "b", "c", "1"});
  PrintJob job(list, 1, 10);
  ASSERT_TRUE(job.output.Rowcast());
  // The last row sits at 14448 and ends at 14688; four lines would end at
  // 15648, past 15120. On page 2: the three lines that carried over (0 to
  // 720), the header line and its empty line, then the foot.
  EXPECT_EQ(job.one(QStringLiteral("a")).page, 1);
  const auto header = job.find(QStringLiteral("Pay"));
  ASSERT_EQ(header.size(), 2);
  EXPECT_EQ(header[1].page, 2);
  EXPECT_FLOAT_EQ(header[1].y, 720);
  const auto label = job.one(QStringLiteral("Grand Total: "));
  EXPECT_EQ(label.page, 2);
  EXPECT_FLOAT_EQ(label.y, 1440);
  const auto total = job.one(QStringLiteral("56.00"));
  EXPECT_EQ(total.page, 2);
  EXPECT_FLOAT_EQ(total.y, 1440);
  EXPECT_FLOAT_EQ(total.x, header[1].x);
  EXPECT_EQ(job.printer.printed.last().page, 2);
  EXPECT_FLOAT_EQ(job.printer.printed.last().y, 1920);
}

TEST(PageLayout, FirstColumnDatesTakeTheShortPatternAboveElevenPoints) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("Dates"), QStringList{"When", "What"},
      std::vector<QStringList>{{"2024-03-05", "iso"}, {"3/6/2024", "us"}, {"Totals", "words"}, {"12", "number"}});
  PrintJob twelve(list, 1, 12);
  ASSERT_TRUE(twelve.output.Rowcast());
  EXPECT_FLOAT_EQ(twelve.one(QStringLiteral("iso")).size, 12);
  for (const char* text : {"03/05/24", "03/06/24", "Totals", "12"})
    EXPECT_EQ(twelve.find(QLatin1String(text)).size(), 1) << text;

  PrintJob eleven(list, 1, 11);
  ASSERT_TRUE(eleven.output.Rowcast());
  for (const char* text : {"2024-03-05", "3/6/2024", "Totals", "12"})
    EXPECT_EQ(eleven.find(QLatin1String(text)).size(), 1) << text;

  // The slash is the locale's date separator.
  auto german = std::make_shared<MemoryList>(QStringLiteral("Daten"), QStringList{"Datum"},
                                             std::vector<QStringList>{{"05.03.2024"}});
  PrintJob germanJob(german, 1, 12);
  germanJob.output.setLocale(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_TRUE(germanJob.output.Rowcast());
  EXPECT_EQ(germanJob.find(QStringLiteral("03.05.24")).size(), 1);

  // No regional settings chosen: US dates, with long or short fields.
  auto us = std::make_shared<MemoryList>(QStringLiteral("Dates"), QStringList{"When"},
                                         std::vector<QStringList>{{"12/31/1999"}, {"1/2/99"}, {"01/02/2000"}});
  PrintJob cJob(us, 1, 12);
  cJob.output.setLocale(QLocale::c());
  ASSERT_TRUE(cJob.output.Rowcast());
  for (const char* text : {"12/31/99", "01/02/99", "01/02/00"})
    EXPECT_EQ(cJob.find(QLatin1String(text)).size(), 1) << text;
}

TEST(PageLayout, NegativeTotalsTakeTheLocalesMoneyStyle) {
  struct Case {
    QLocale locale;
    QStringList taxes;  // column 7
    QString tips;       // column 8
    const char16_t *taxTotal, *tipsTotal, *hoursTotal;
  };
  const Case cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), {"($5.00)", "-$1.25"}, "(2.5)", u"($6.25)", u"($2.50)",
       u"-1,234.50"},
      {QLocale(QLocale::German, QLocale::Germany), {"-5,00 €", "-1,25"}, "-2,5", u"-6,25\u00A0€", u"-2,50\u00A0€",
       u"-1.234,50"},
      // No regional settings chosen: the US conventions.
      {QLocale::c(), {"($5.00)", "-$1.25"}, "(2.5)", u"($6.25)", u"($2.50)", u"-1,234.50"},
  };
  for (const Case& c : cases) {
    const QString hours = c.locale.language() == QLocale::German ? "-1234,5" : "-1234.5";
    auto list = std::make_shared<MemoryList>(
        QStringLiteral("Money"), QStringList{"A", "B", "C", "Hours", "E", "F", "Tax", "Tips"},
        std::vector<QStringList>{{"a", "b", "c", hours, "", "", c.taxes[0], c.tips}, {"a", "b", "c", "", "", "", c.taxes[1]}});
    PrintJob job(list, 1, 10);
    job.output.setLocale(c.locale);
    ASSERT_TRUE(job.output.Rowcast());
    const float totalTop = job.one(QStringLiteral("Grand Total: ")).y;
    for (const char16_t* total : {c.taxTotal, c.tipsTotal, c.hoursTotal}) {
      const QString text = QString::fromUtf16(total);
      EXPECT_FLOAT_EQ(job.one(text).y, totalTop) << c.locale.name().toStdString() << " " << text.toStdString();
    }
  }
}

TEST(PageLayout, OnALandscapePageTheHeaderLineTakesTenPointsAboveEight) {
  auto list = std::make_shared<MemoryList>(QStringLiteral("Wide"), QStringList{"Head"},
                                           std::vector<QStringList>{{"cell"}, {"next"}});
  for (int size : {9, 14}) {
    PrintJob job(list, 2, int16_t(size));
    ASSERT_TRUE(job.output.Rowcast());
    EXPECT_FLOAT_EQ(job.one(QStringLiteral("Head")).size, 10);
    EXPECT_FLOAT_EQ(job.one(QStringLiteral("cell")).size, size);
    // The header line and its empty line are 10-point lines.
    EXPECT_FLOAT_EQ(job.one(QStringLiteral("cell")).y, 768 + 2 * 240);
    EXPECT_FLOAT_EQ(job.one(QStringLiteral("next")).y, 768 + 2 * 240 + size * 24);
  }
  for (auto [orientation, size] : {std::pair{2, 8}, std::pair{1, 12}}) {
    PrintJob job(list, int16_t(orientation), int16_t(size));
    ASSERT_TRUE(job.output.Rowcast());
    EXPECT_FLOAT_EQ(job.one(QStringLiteral("Head")).size, size);
  }
}

TEST(PageLayout, ATextFarLongerThanThePageIsCutToWhatReachesItsEdge) {
  for (qsizetype length : {qsizetype(32767), qsizetype(3'000'000)}) {
    const QString note(length, u'n');
    auto list = std::make_shared<MemoryList>(QStringLiteral("Notes"), QStringList{"Date", "Note"},
                                             std::vector<QStringList>{{note, note}});
    PrintJob job(list, 2, 12);  // landscape: printed at 5 points though it does not fit
    ASSERT_TRUE(job.output.Rowcast());
    const auto pieces = job.printer.printed.size();
    int cells = 0;
    for (const auto& p : job.printer.printed) {
      if (!p.text.startsWith(u'n')) continue;
      ++cells;
      EXPECT_TRUE(note.startsWith(p.text)) << length;
      if (length <= kLongestMeasuredText) {
        EXPECT_EQ(p.text.size(), length) << "a text of normal length goes whole";
      } else {
        EXPECT_LT(p.text.size(), 32768) << length;
        // 8 twips a character a point, regular: still past the page's edge.
        EXPECT_GE(float(p.text.size()) * p.size * 8, float(RecordingPrinter::kLetterLongSide)) << length;
      }
    }
    EXPECT_EQ(cells, 2) << pieces;
  }
}

// A total stands under its column, where the column's header prints, printed
// rows or not; a column the list lacks has no total; and the columns before
// the first total leave "Grand Total: " and a blank room.
TEST(PageLayout, TotalsStandOnlyUnderColumnsTheListHas) {
  const QStringList thirteen = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M"};
  struct Case {
    QStringList headers;
    std::vector<QStringList> rows;
    QList<std::pair<QString, QString>> totals;  // text, the header it stands under
  } cases[] = {
      {{"A", "B", "C", "D", "E"}, {{"1", "2", "3", "4", "5"}, {"1", "2", "3", "4", "5"}}, {{"8.00", "D"}, {"10.00", "E"}}},
      {{"A", "B", "C"}, {{"1", "2", "3"}}, {}},
      {thirteen, {}, {{"0.00", "D"}, {"$0.00", "I"}, {"$0.00", "K"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers.join(QString()).toStdString());
    PrintJob job(std::make_shared<MemoryList>(QStringLiteral("T"), c.headers, c.rows), 1, 10);
    ASSERT_TRUE(job.output.Rowcast());
    const auto label = job.one(QStringLiteral("Grand Total: "));
    QList<std::pair<QString, QString>> found;
    for (const auto& p : job.printer.printed) {
      if (p.y != label.y || p.text == label.text) continue;
      for (const QString& header : c.headers)
        if (job.find(header).first().x == p.x) found.append({p.text, header});
    }
    EXPECT_EQ(found, c.totals);
    if (c.headers.size() >= 4) {
      EXPECT_GE(job.one(QStringLiteral("D")).x, 13 * 100 + 100) << "the label and a blank in bold at 10 points";
    }
  }
}

TEST(PageLayout, AListWithoutItemsPrintsTitleHeadersTotalsAndProfile) {
  auto empty = std::make_shared<MemoryList>(QStringLiteral("Empty"), QStringList{"A", "B"});
  PrintJob job(empty, 1, 12);
  ASSERT_TRUE(job.output.Rowcast());
  QStringList texts;
  for (const auto& p : job.printer.printed) texts.append(p.text);
  EXPECT_EQ(texts, (QStringList{"Empty Output", " ", "A", "B", "Grand Total: ", "Profile Name: "}));
  // Header line at 768, its empty line, one more empty line: 768 + 3 x 288.
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Grand Total: ")).y, 1632);
  EXPECT_FLOAT_EQ(job.printer.printed.last().y, 1632 + 2 * 288);
}

TEST(PageLayout, AListWithoutColumnsPrintsAnEmptyHeaderLine) {
  auto none = std::make_shared<MemoryList>(QStringLiteral("None"), QStringList{});
  PrintJob job(none, 1, 12);
  ASSERT_TRUE(job.output.Rowcast());
  EXPECT_TRUE(job.ui.boxes.isEmpty());
  QStringList texts;
  for (const auto& p : job.printer.printed) texts.append(p.text);
  EXPECT_EQ(texts, (QStringList{"None Output", " ", "Grand Total: ", "Profile Name: "}));
  EXPECT_FLOAT_EQ(job.one(QStringLiteral("Grand Total: ")).y, 768 + 2 * 288);
}

// The neighbouring texts of each line that overlap or touch, as
// "left|right"; the recording printer's widths are exact.
QStringList touchingNeighbours(const RecordingPrinter& printer) {
  std::map<std::pair<int, float>, QList<RecordingPrinter::PrintedText>> lines;
  for (const auto& p : printer.printed) lines[{p.page, p.y}].append(p);
  QStringList touching;
  for (auto& [where, texts] : lines) {
    std::sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
    for (qsizetype i = 1; i < texts.size(); ++i) {
      const auto& left = texts[i - 1];
      const float advance = left.bold ? RecordingPrinter::kBoldAdvancePerPoint : RecordingPrinter::kAdvancePerPoint;
      if (left.x + float(left.text.size()) * left.size * advance >= texts[i].x)
        touching.append(left.text + u'|' + texts[i].text);
    }
  }
  return touching;
}

// Every total far wider than the cells it sums.
std::shared_ptr<MemoryList> bigTotals() {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("Big"),
      QStringList{"Date", "In", "Out", "Hrs", "Rate", "OT", "Base", "OT Pay", "Tips", "Bonus", "Cuts", "Note"});
  for (int row = 0; row < 400; ++row)
    list->addRow({"01/02/24", "08:00", "16:00", "9999.99", "9999.99", "9999.99", "9999.99", "9999.99", "9999.99",
                  "9999.99", "9999.99", ""});
  return list;
}

// Eleven headers of 16 characters: (11 x 17) x 60 + 1068 twips at 6 points
// reaches past the page, at 5 it fits.
std::shared_ptr<MemoryList> fitsOnlyAtFive() {
  const QStringList headers(11, QStringLiteral("Overtime Pay Sum"));
  return std::make_shared<MemoryList>(QStringLiteral("Narrow"), headers,
                                      std::vector<QStringList>{QStringList(11, QStringLiteral("1.00"))});
}

// A list of `columns` columns headed "Header01"... and `rows` rows of `cell`
// texts (the row and column numbers filled in as %1 and %2).
std::shared_ptr<MemoryList> shaped(int columns, int rows, const QString& cell = QStringLiteral("%2"),
                                   const QString& firstCell = QStringLiteral("r%1")) {
  QStringList headers;
  for (int column = 1; column <= columns; ++column) headers << QStringLiteral("Header%1").arg(column, 2, 10, QLatin1Char('0'));
  auto list = std::make_shared<MemoryList>(QStringLiteral("Shape"), headers);
  for (int row = 0; row < rows; ++row) {
    QStringList cells{QString(firstCell).replace(QStringLiteral("%1"), QString::number(row + 1))};
    for (int column = 2; column <= columns; ++column)
      cells << QString(cell).replace(QStringLiteral("%1"), QString::number(row)).replace(QStringLiteral("%2"), QString::number(column));
    list->addRow(cells);
  }
  return list;
}

// The host's layout: thirteen columns of a shift, money in 7 to 11.
std::shared_ptr<MemoryList> hostRows(int rows) {
  auto list = std::make_shared<MemoryList>(
      QStringLiteral("Shifts"),
      QStringList{"Date", "Start", "Finish", "Worked", "Regular", "Overtime", "Regular Pay", "Overtime Pay",
                  "Total Pay", "Deductions", "Bonuses", "Multi-Pay Rate", "Lunch"});
  for (int row = 0; row < rows; ++row)
    list->addRow({QStringLiteral("01/%1/24").arg(row % 28 + 1, 2, 10, QLatin1Char('0')), "8:00 AM", "4:30 PM", "8.50", "8.00",
                  "0.50", "124.00", "11.62", "135.62", "0.00", "0.00", "No", "0.50"});
  return list;
}

// What a reader of any printout must be able to rely on, whatever the list's
// shape: no two texts on a line overlap or touch; every total stands under a
// column the list has; every page begins (below the title) with the header
// line; the foot (the total and profile lines) shares its page with a header
// line.
TEST(PageLayout, EveryShapeOfListPrintsReadably) {
  QString error;
  const auto sample = loadJsonList(QStringLiteral(SAMPLES_DIR "/shifts.json"), &error);
  ASSERT_TRUE(sample) << error.toStdString();
  auto narrowFirst = shaped(11, 3, QStringLiteral("12.50"), QStringLiteral("a"));
  const struct {
    const char* what;
    std::shared_ptr<ListModel> list;
    int16_t orientation;
    int16_t size;
    float fittedSize;  // 0: whichever fits
  } cases[] = {
      {"sample, portrait", sample, 1, 12, 0},
      {"sample, landscape", sample, 2, 12, 0},
      {"totals wider than cells", bigTotals(), 1, 12, 8},
      {"fits only at 5 points", fitsOnlyAtFive(), 1, 12, 5},
      {"3 columns", shaped(3, 10, QStringLiteral("x")), 1, 12, 0},
      {"5 columns", shaped(5, 2), 1, 12, 0},
      {"11 columns, one row", shaped(11, 1, QStringLiteral("9.99")), 1, 12, 0},
      {"13 columns, no rows", shaped(13, 0), 1, 12, 0},
      {"17 columns", shaped(17, 20, QStringLiteral("1")), 1, 12, 0},
      {"40 narrow columns", std::make_shared<MemoryList>(QStringLiteral("Narrow"), QStringList(40, QStringLiteral("C")),
                                                         std::vector<QStringList>{QStringList(40, QStringLiteral("1"))}),
       2, 12, 0},
      {"host layout, 150 rows", hostRows(150), 1, 12, 0},
      {"narrow first columns", narrowFirst, 1, 12, 0},
      {"dates at 12 points", shaped(5, 3, QStringLiteral("1"), QStringLiteral("1/%1/24")), 1, 12, 12},
      {"long dates at 12 points", shaped(4, 3, QStringLiteral("1"), QStringLiteral("January %1, 2024")), 1, 12, 12},
      {"landscape at 9", shaped(12, 40, QStringLiteral("1")), 2, 9, 9},
      // Headers of 81 characters fill the page at 9 points, but print at 10.
      {"landscape, headers widest, asked 9",
       std::make_shared<MemoryList>(QStringLiteral("Heads"), QStringList{QString(81, u'h'), QString(81, u'H')},
                                    std::vector<QStringList>{{"1", "2"}}),
       2, 9, 0},
      {"landscape at 10", shaped(12, 40, QStringLiteral("1")), 2, 10, 10},
      {"landscape at 11", shaped(12, 40, QStringLiteral("1")), 2, 11, 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrintJob job(c.list, c.orientation, c.size);
    ASSERT_TRUE(job.output.Rowcast());
    for (const auto& box : job.ui.boxes) ADD_FAILURE() << box.text.toStdString();
    EXPECT_TRUE(job.ui.boxes.isEmpty());
    if (c.fittedSize > 0) {
      EXPECT_FLOAT_EQ(job.printer.printed.last().size, c.fittedSize);
    }
    const QStringList touching = touchingNeighbours(job.printer);
    EXPECT_TRUE(touching.isEmpty()) << touching.join(QStringLiteral(", ")).toStdString();

    const auto label = job.one(QStringLiteral("Grand Total: "));
    QSet<float> columnLefts;
    int columns = 0;
    for (const auto& p : job.printer.printed)
      if (p.page == 1 && p.underline) columnLefts.insert(p.x), ++columns;
    int totals = 0;
    for (const auto& p : job.printer.printed) {
      if (p.page != label.page || p.y != label.y || p.text == label.text) continue;
      ++totals;
      EXPECT_TRUE(columnLefts.contains(p.x)) << p.text.toStdString() << " stands under no column";
    }
    EXPECT_LE(totals, std::max(0, std::min(columns, 11) - 3));

    // Below the title block, each page's first text is a header.
    QSet<int> pagesSeen;
    for (const auto& p : job.printer.printed) {
      if (pagesSeen.contains(p.page) || p.size == PageRenderer::kTitleSize) continue;
      pagesSeen.insert(p.page);
      EXPECT_TRUE(p.underline || columns == 0) << "page " << p.page << " begins with " << p.text.toStdString();
    }
    EXPECT_EQ(job.printer.printed.last().page, label.page) << "the foot lines share a page";
  }
}

}  // namespace
}  // namespace rowcast
