#pragma once
// The library's logo, drawn at run time: a printed table sliding out of a
// page stack beside the name, 200 x 78 pixels in 24-bit colour.
#include <QImage>

namespace rowcast {

inline constexpr int kLogoWidth = 200;
inline constexpr int kLogoHeight = 78;

QImage drawRowcastLogo();

}  // namespace rowcast
