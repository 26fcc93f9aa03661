#pragma once
// The enumerations published with CRowcast.
#include <cstdint>

namespace rowcast {

enum iOrientation : int32_t { iPortrait = 1, iLandscape = 2 };
enum printType : int32_t { eCSV = 1, eHtml = 2, ePrinter = 3 };

}  // namespace rowcast
