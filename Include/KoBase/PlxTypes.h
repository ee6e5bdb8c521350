// Plain value types shared by every host library: points, rectangles, colours, charsets.
#pragma once

#include <cstdint>

namespace KTX {

struct PlxPoint2D {
    double x = 0.0;
    double y = 0.0;

    PlxPoint2D() = default;
    PlxPoint2D(double dX, double dY) : x(dX), y(dY) {}
    bool operator==(const PlxPoint2D& o) const { return x == o.x && y == o.y; }
    bool operator!=(const PlxPoint2D& o) const { return !(*this == o); }
};

// Map rectangle; top is the larger y (map coordinates grow upwards).
struct PlxRect2D {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;

    PlxRect2D() = default;
    PlxRect2D(double dLeft, double dTop, double dRight, double dBottom)
        : left(dLeft), top(dTop), right(dRight), bottom(dBottom) {}
};

// A colour packed as 0x00BBGGRR: red in the low byte.
using PLXCOLOR = std::uint32_t;

constexpr PLXCOLOR PLXRGB(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned PLXGetRValue(PLXCOLOR c) {
    return c & 0xFFu;
}
constexpr unsigned PLXGetGValue(PLXCOLOR c) {
    return (c >> 8) & 0xFFu;
}
constexpr unsigned PLXGetBValue(PLXCOLOR c) {
    return (c >> 16) & 0xFFu;
}

// Charset of a text file. The numbers follow the charset codes of the host's
// Windows origins where one exists (1 = the host default, 134 = GB2312/GBK).
enum PLXCharset : int {
    PLXCharsetDefault = 1,  // the host default: GB18030, the superset MAPGIS files are written in
    PLXCharsetGBK = 134,
    PLXCharsetGB18030 = 135,
    PLXCharsetUTF8 = 65001,
};

}  // namespace KTX
