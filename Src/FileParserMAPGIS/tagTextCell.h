// One laid-out piece of an annotation text: a run of characters at its own anchor, or a bar
// line (the stroke of a stacked fraction).
#pragma once

#include <cstdint>

#include "KoBase/PlxTypes.h"
#include "KoBase/PlxUnicodeString.h"

namespace KTX {

struct tagTextCell {
    std::int32_t nCellType = 0;  // 0 text piece, 1 line segment
    std::int32_t nSizeMode = 0;  // 0 full size, 1 superscript, -1 subscript, -2 vertical text
    PlxPoint2D pntPos;           // anchor of the text; start of the line segment
    PlxUnicodeString strText;    // empty for a line segment

    tagTextCell() = default;
    virtual ~tagTextCell() = default;
    tagTextCell(const tagTextCell&) = delete;
    tagTextCell& operator=(const tagTextCell&) = delete;

protected:
    explicit tagTextCell(std::int32_t nType) : nCellType(nType) {}
};

struct tagTextLineCell : public tagTextCell {
    PlxPoint2D pntEnd;

    tagTextLineCell() : tagTextCell(1) {}
};

}  // namespace KTX
