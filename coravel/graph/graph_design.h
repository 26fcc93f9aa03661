#pragma once
// The design of frmGraph: names, captions and places of its controls, in
// twips (frame children relative to their frame).
#include <array>

#include "platform/ui/form_layout.h"
#include "platform/ui/accessible_texts.h"

namespace coravel::graph_design {

inline constexpr int kClientWidth = 9105;
inline constexpr int kClientHeight = 6150;

struct LabelPlace {
  const char* name;
  const char* caption;
  platform::TwipRect rect;
};

inline constexpr platform::TwipRect kFrame1{660, 90, 2820, 1260};
inline constexpr std::array<LabelPlace, 4> kStatisticsLabels{{
    {"lblNetPayTotal", "Y-T-D Totals:", {165, 165, 1110, 255}},
    {"lblHighestEarning", "Highest Earning:", {165, 420, 1185, 210}},
    {"Label1", "Lowest Earning:", {165, 675, 1185, 210}},
    {"lblAverage", "Yearly Average:", {165, 915, 1185, 210}},
}};
inline constexpr std::array<LabelPlace, 4> kValueLabels{{
    {"lblNetPayTotal2", "0", {1440, 165, 1290, 255}},
    {"lblHighestEarning2", "0", {1440, 420, 1290, 210}},
    {"lblLowEarning", "0", {1440, 675, 1290, 210}},
    {"lblAverage2", "0", {1440, 915, 1290, 210}},
}};

inline constexpr platform::TwipRect kFrame2{3645, 90, 2820, 1260};
inline constexpr std::array<LabelPlace, 3> kCheckBoxes{{
    {"ckAverage", "Show yearly average", {165, 210, 2115, 240}},
    {"ckHorizontal", "Show horizontal grids", {165, 525, 2355, 195}},
    {"ckVertical", "Show vertical grids", {165, 840, 2355, 195}},
}};

inline constexpr platform::TwipRect kCommand1{6690, 525, 1875, 420};
inline constexpr platform::TwipRect kGraphic{660, 1500, 8045, 3750};

// Scale labels, index 0 lowest: each stands at the drawing area's left edge
// and grows leftwards as its caption widens (right-justified, sized to its
// text), so the design's 90-twip box keeps its right edge at 660.
inline constexpr int kScaleLabelLeft = 570;
inline constexpr int kScaleLabelWidth = 90;
inline constexpr std::array<int, 10> kScaleLabelTops{4770, 4410, 4035, 3675, 3300, 2925, 2550, 2175, 1815, 1440};

// Month labels, sized to their text from their left edge.
inline constexpr int kMonthLabelTop = 5310;
inline constexpr std::array<const char*, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sept", "Oct", "Nov", "Dec"};
inline constexpr std::array<int, 12> kMonthLabelLefts{1155, 1755, 2385, 3030, 3630, 4245,
                                                      4875, 5475, 6075, 6675, 7275, 7870};

inline constexpr platform::TwipRect kYearLabel{4095, 5670, 600, 195};
// The warning has a line of its own under the year, as wide as the graph.
inline constexpr platform::TwipRect kAnotherYearLabel{660, 5895, 8045, 195};
inline constexpr platform::TwipRect kCountLabel{3840, 1125, 1470, 195};
// The list of loaded rows holds the data; the graph shows it, the list is
// never shown.
inline constexpr platform::TwipRect kListViewGraph{7560, 5985, 7440, 1440};

// What assistive technology reads where a control has no caption of its
// own; the drawing area's description, the figures, is kept by the window.
inline constexpr std::array<platform::AccessibleText, 4> kAccessibleTexts{{
    {"Frame1", "Statistics", nullptr, nullptr},
    {"Frame2", "Options", nullptr, nullptr},
    {"Graphic", "Yearly graph of net earnings", nullptr, nullptr},
    {"lblcount", nullptr, nullptr, "Profile files read"},
}};
// Controls that are never seen, so assistive technology is not shown them.
inline constexpr std::array<const char*, 2> kNeverShown{"GrapHolder", "ListViewGraph"};
}  // namespace coravel::graph_design
