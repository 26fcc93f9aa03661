#include "rowcast/export/chtml.h"

#include <QDateTime>
#include <string>

#include "rowcast/export/column_limit.h"
#include "rowcast/export/html_escaping.h"
#include "rowcast/output/clock_text.h"
#include "rowcast/library_version.h"

namespace rowcast {

namespace {

void line(OutputFile& file, std::string_view text) {
  file.appendAscii(text);
  file.endLine();
}

// A line of prefix, the escaped text and suffix. The tags are literals, so
// their copies compile to a few moves.
template <size_t PrefixSize, size_t SuffixSize>
void cellLine(OutputFile& file, const char (&prefix)[PrefixSize], QStringView text, const char (&suffix)[SuffixSize]) {
  file.appendAscii({prefix, PrefixSize - 1});
  appendHtmlEscaped(file, text);
  file.appendAscii({suffix, SuffixSize - 1});
  file.endLine();
}

}  // namespace

// The system's own: "List View Undefined", where CSV says "Not Defined" (CRowcastTest.RequestsItCannotServe...).
CHtml::CHtml(const QString& logFolder)
    : FileExport(logFolder, QStringLiteral("CHTML::Rowcast"), QStringLiteral("List View Undefined"),
                 QStringLiteral("Rowcast.CHTML")) {}

// The title defaults once and stays with the object.
void CHtml::prepare() {
  if (title_.isEmpty()) title_ = list().name() + QStringLiteral(" Output");
}

void CHtml::write(OutputFile& file) {
  writeHead(file);
  writeHeaderRow(file);
  writeItemRows(file);
  line(file, "</table>");
  line(file, "</Center>");
  line(file, "</body>");
  line(file, "</html>");
}

// The comment lines keep the single-dash marks that pages of earlier releases carry.
void CHtml::writeHead(OutputFile& file) const {
  line(file, std::string("<!-Created by Rowcast.DLL Version ") + kVersionText + " ->");
  const QDateTime now = QDateTime::currentDateTime();
  file.appendAscii("<!-Created on ");
  file.appendText(shortDateText(now.date()) + QStringLiteral(" at ") + timeText(now.time()));
  line(file, "->");
  line(file, "<html>");
  line(file, "<center>");
  cellLine(file, "<Title>", title_, "");
  line(file, "</title>");
  line(file, "<body bgcolor = 'FFFFFF'text = '000000'>");
  line(file, "<h1>");
  cellLine(file, "", title_, "");
  line(file, "</h1>");
  line(file, "<Table border>");
}

void CHtml::writeHeaderRow(OutputFile& file) const {
  line(file, "<tr>");
  const int columns = checkedColumnCount(list().columnCount());
  for (int column = 0; column < columns; ++column)
    cellLine(file, "<td><center>", list().columnHeaderText(column), "</center></td>");
  line(file, "</tr>");
}

void CHtml::writeItemRows(OutputFile& file) const {
  const ListModel& rows = list();
  const int items = rows.itemCount();
  QString scratch;
  for (int item = 0; item < items; ++item) {
    line(file, "<tr>");
    cellLine(file, "<td>", rows.itemTextView(item, scratch), "</td>");
    // The 16-bit counter runs over the header columns only; a data row is
    // written whole, however long.
    const int subItems = rows.subItemCount(item);
    for (int sub = 0; sub < subItems; ++sub)
      cellLine(file, "<td>", rows.subItemTextView(item, sub, scratch), "</td>");
    line(file, "</tr>");
  }
}

}  // namespace rowcast
