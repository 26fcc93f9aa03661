#include "rowcast/export/html_escaping.h"

namespace rowcast {

// Out of line for the reason appendCsvCell is (csv_quoting.cpp).
void appendHtmlEscaped(OutputFile& file, QStringView text) { file.appendEscaped<HtmlEscape>(text); }

}  // namespace rowcast
