#pragma once
// How the HTML export writes a text: & < > " as &amp; &lt; &gt; &quot;, so
// that a cell never opens markup or ends an attribute.
#include <QStringView>

#include "rowcast/output/output_file.h"

namespace rowcast {

void appendHtmlEscaped(OutputFile& file, QStringView text);

}  // namespace rowcast
