#pragma once
#include <QString>

namespace core {

// C-style escaping for one-line output: \" \\ \n \r \t, \x00 for NUL and
// \xHH for other control characters; everything else unchanged.
QString escapeText(const QString& text);

}  // namespace core
