// An arc of an area or network file: where it is, which areas it borders, and its number.
#pragma once

#include <cstdint>

#include "tagFileIndex.h"

namespace KTX {

struct tagArcIndex : public tagFileIndex {
    std::int32_t nArea1 = 0;  // area numbers on either side of the arc
    std::int32_t nArea2 = 0;
    // In the reader's arc list: the arc's 1-based number in the arc section. In an area's or
    // network line's arc list: the reference as written (negative: used backwards; 0: ring end).
    std::int32_t nArcNo = 0;

    tagArcIndex() : tagFileIndex(-1, 0) {}
    tagArcIndex(const tagArcIndex&) = default;
    tagArcIndex& operator=(const tagArcIndex&) = default;

    tagFileIndex* Clone() const override;
};

}  // namespace KTX
