// MAPGIS's colour library: a library of the documented layout built here, its colours worked
// out by hand from the inks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "mapgiscolorlibrary.h"

namespace {

struct Entry {
    std::uint8_t k, c, m, y;
    std::vector<std::pair<int, std::uint8_t>> spots;  // spot colour, amount
};

// A library: the header's count, the spot colours in use and the 28 definitions (the rest
// zero), then one entry per colour number.
std::vector<std::uint8_t> Library(unsigned nEnd, unsigned nSpots,
                                  const std::vector<std::array<std::uint8_t, 4>>& defs,
                                  const std::vector<Entry>& entries) {
    std::vector<std::uint8_t> out(156 + 32 * entries.size(), 0);
    std::memcpy(out.data(), "PCOLOR 3", 8);
    out[8] = nEnd & 0xff;
    out[9] = nEnd >> 8;
    out[10] = nSpots & 0xff;
    out[11] = nSpots >> 8;
    for (size_t i = 0; i < defs.size(); ++i)
        std::memcpy(&out[12 + 4 * i], defs[i].data(), 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* p = &out[156 + 32 * i];
        p[0] = entries[i].k, p[1] = entries[i].c, p[2] = entries[i].m, p[3] = entries[i].y;
        for (const auto& [iSpot, a] : entries[i].spots)
            p[4 + iSpot] = a;
    }
    return out;
}

}  // namespace

TEST(ColorLibrary, InksBlackAndSpotColoursToRgb) {
    // Spot 0: K0 C0 M200 Y100; spot 1: K51 C255 M0 Y0; slot 5 is defined but not in use.
    std::vector<std::array<std::uint8_t, 4>> defs(6, {0, 0, 0, 0});
    defs[0] = {0, 0, 200, 100};
    defs[1] = {51, 255, 0, 0};
    defs[5] = {0, 0, 255, 0};
    const std::vector<Entry> entries = {
        {255, 0, 0, 0, {}},          // 1 black
        {0, 255, 0, 0, {{5, 255}}},  // 2 cyan; the amount of a spot colour not in use counts not
        {0, 0, 255, 0, {}},          // 3 magenta
        {0, 0, 0, 255, {}},          // 4 yellow
        {0, 255, 255, 0, {}},        // 5 blue
        {51, 0, 100, 0, {}},         // 6
        {0, 0, 0, 0, {{0, 255}, {1, 128}}},  // 7: both spots
        {0, 200, 200, 200, {{0, 255}}},      // 8: sums capped at 255
        {0, 0, 0, 0, {}},                    // kept in advance, beyond the header's count
    };
    mapgis::ColorLibrary library;
    std::string strWhy;
    ASSERT_TRUE(library.Parse(Library(9, 2, defs, entries), &strWhy)) << strWhy;
    EXPECT_EQ(library.Count(), 8);
    // By hand, x' = 255 - (255 - K)(255 - x) / 255 rounded, RGB = 255 - x':
    //  6: C' = 255 - 204 = 51, M' = 255 - round(204 * 155 / 255 = 124) = 131, Y' = 51.
    //  7: spot 0 whole: (0, 200, 100). Spot 1 at 128/255: K 25, C 128 (rounded down);
    //     C' = 255 - round(230 * 127 / 255 = 114.55) = 140, M' = Y' = 255 - 230 = 25.
    //     Sums (140, 225, 125): RGB (115, 30, 130).
    //  8: (200, 200, 200) + (0, 200, 100), capped: (200, 255, 255): RGB (55, 0, 0).
    const std::uint32_t kWant[] = {0x000000, 0x00ffff, 0xff00ff, 0xffff00,
                                   0x0000ff, 0xcc7ccc, 0x731e82, 0x370000};
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(library.Rgb(n), std::optional<std::uint32_t>(kWant[n - 1])) << n;
    EXPECT_EQ(library.Rgb(0), std::nullopt);
    EXPECT_EQ(library.Rgb(9), std::nullopt);
}

TEST(ColorLibrary, DistrustsItsHeader) {
    const std::vector<Entry> two = {{255, 0, 0, 0, {}}, {0, 255, 0, 0, {}}};
    std::vector<std::uint8_t> notOne = Library(3, 0, {}, two);
    notOne[7] = '4';
    std::vector<std::uint8_t> cut = Library(3, 0, {}, two);
    cut.resize(100);
    // (bytes, whether it reads, colours, the reason's words)
    const struct {
        std::vector<std::uint8_t> bytes;
        bool bReads;
        int nColours;
        const char* pszWhy;
    } kCases[] = {
        {Library(3, 0, {}, two), true, 2, ""},
        {Library(1000, 0, {}, two), true, 2, ""},  // a count beyond the file's entries
        {Library(0, 0, {}, two), true, 0, ""},
        {Library(3, 29, {}, two), false, 0, "29 spot colours"},
        {notOne, false, 0, "PCOLOR 3"},
        {cut, false, 0, "PCOLOR 3"},
        {{}, false, 0, "PCOLOR 3"},
    };
    for (const auto& c : kCases) {
        mapgis::ColorLibrary library;
        std::string strWhy;
        EXPECT_EQ(library.Parse(c.bytes, &strWhy), c.bReads) << c.pszWhy;
        EXPECT_EQ(library.Count(), c.nColours) << c.pszWhy;
        EXPECT_NE(strWhy.find(c.pszWhy), std::string::npos) << strWhy;
    }
}
