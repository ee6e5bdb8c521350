// MAPGIS's binary colour library (Pcolor.lib, in an installation's system library folder):
// the colours of a sheet's colour numbers for users who have no colour index file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mapgis {

class ColorLibrary {
public:
    // Whether the bytes at the start of a file are a colour library's.
    static bool HasSignature(const void* pData, size_t nSize);

    // Reads the library at strPath; false with a message naming the file.
    bool Load(const std::string& strPath, std::string* pstrError);
    // Reads a library from its bytes; false with the reason.
    bool Parse(const std::vector<std::uint8_t>& bytes, std::string* pstrWhy);

    // The colour of a colour number as 0xRRGGBB; none beyond the library's colours.
    std::optional<std::uint32_t> Rgb(int nColor) const;
    // How many colour numbers the library gives colours to (1 to Count()).
    int Count() const { return static_cast<int>(m_rgb.size()); }

private:
    std::vector<std::uint32_t> m_rgb;  // colour number n at n - 1
};

}  // namespace mapgis
