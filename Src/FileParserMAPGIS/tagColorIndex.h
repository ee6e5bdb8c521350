// One entry of the colour table: a MAPGIS colour number and its CMYK percentages.
#pragma once

#include <cstdint>

#include "tagFileIndex.h"

namespace KTX {

struct tagColorIndex : public tagFileIndex {
    std::uint32_t nCyan = 0;  // percent, nominally 0 to 100
    std::uint32_t nMagenta = 0;
    std::uint32_t nYellow = 0;
    std::uint32_t nBlack = 100;

    tagColorIndex() = default;
    tagColorIndex(const tagColorIndex&) = default;
    tagColorIndex& operator=(const tagColorIndex&) = default;

    tagFileIndex* Clone() const override;
};

}  // namespace KTX
