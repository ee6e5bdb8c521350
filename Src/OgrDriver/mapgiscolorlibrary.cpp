// The colour library's layout, as MAPGIS 6 writes it (integers little-endian):
//   0..7     "PCOLOR 3"
//   8..9     the highest colour number + 1
//   10..11   the number of spot colours, at most 28
//   12..123  28 spot colours of 4 bytes: K, C, M, Y (0..255)
//   124..155 reserved
//   156..    32 bytes per colour number 1, 2, ...: K, C, M, Y, then the amount (0..255) of
//            each of the 28 spot colours. Entries kept in advance may follow the last one.
#include "mapgiscolorlibrary.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cpl_vsi.h"

namespace mapgis {

namespace {

constexpr char kSignature[] = "PCOLOR 3";
constexpr size_t kSignatureSize = sizeof(kSignature) - 1;
constexpr size_t kSpots = 28;
constexpr size_t kSpotsAt = 12;
constexpr size_t kEntriesAt = 156;
constexpr size_t kEntrySize = 32;
// Far beyond any library (a few hundred colours); a file claiming more is not one.
constexpr size_t kMaxFileSize = 64 << 20;

unsigned Word(const std::vector<std::uint8_t>& bytes, size_t nAt) {
    return bytes[nAt] | (static_cast<unsigned>(bytes[nAt + 1]) << 8);
}

// Cyan, magenta and yellow ink (0..255) with the black folded in.
using Inks = std::array<unsigned, 3>;

unsigned DividedRounded(unsigned n, unsigned d) {
    return (n + d / 2) / d;
}

// x' = 255 - (255 - K)(255 - x) / 255, rounded, for x = C, M, Y.
Inks FoldBlack(unsigned k, unsigned c, unsigned m, unsigned y) {
    Inks out;
    const unsigned inks[3] = {c, m, y};
    for (size_t i = 0; i < 3; ++i)
        out[i] = 255 - DividedRounded((255 - k) * (255 - inks[i]), 255);
    return out;
}

std::uint32_t ColourOf(const std::vector<std::uint8_t>& bytes, size_t nEntry, size_t nSpots) {
    const std::uint8_t* p = bytes.data() + kEntriesAt + nEntry * kEntrySize;
    Inks inks = FoldBlack(p[0], p[1], p[2], p[3]);
    for (size_t i = 0; i < nSpots; ++i) {
        const unsigned a = p[4 + i];
        if (a == 0)
            continue;
        const std::uint8_t* pSpot = bytes.data() + kSpotsAt + 4 * i;
        // The spot colour's definition scaled by its amount, rounded down.
        const Inks spot = FoldBlack(pSpot[0] * a / 255, pSpot[1] * a / 255, pSpot[2] * a / 255,
                                    pSpot[3] * a / 255);
        for (size_t j = 0; j < 3; ++j)
            inks[j] = std::min(255u, inks[j] + spot[j]);
    }
    return ((255 - inks[0]) << 16) | ((255 - inks[1]) << 8) | (255 - inks[2]);
}

}  // namespace

bool ColorLibrary::HasSignature(const void* pData, size_t nSize) {
    return nSize >= kSignatureSize && std::memcmp(pData, kSignature, kSignatureSize) == 0;
}

bool ColorLibrary::Parse(const std::vector<std::uint8_t>& bytes, std::string* pstrWhy) {
    m_rgb.clear();
    if (bytes.size() < kEntriesAt || !HasSignature(bytes.data(), bytes.size())) {
        *pstrWhy = "not a MAPGIS colour library (it does not start with \"PCOLOR 3\")";
        return false;
    }
    const unsigned nEnd = Word(bytes, 8);
    const unsigned nSpots = Word(bytes, 10);
    if (nSpots > kSpots) {
        *pstrWhy = "its header names " + std::to_string(nSpots) + " spot colours, at most " +
                   std::to_string(kSpots) + " fit";
        return false;
    }
    // Colour numbers 1 to nEnd - 1, as far as the file holds their entries.
    const size_t nHeld = (bytes.size() - kEntriesAt) / kEntrySize;
    const size_t nColours = std::min<size_t>(nEnd > 0 ? nEnd - 1 : 0, nHeld);
    m_rgb.reserve(nColours);
    for (size_t i = 0; i < nColours; ++i)
        m_rgb.push_back(ColourOf(bytes, i, nSpots));
    return true;
}

bool ColorLibrary::Load(const std::string& strPath, std::string* pstrError) {
    std::vector<std::uint8_t> bytes;
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    bool bRead = fp != nullptr && VSIFSeekL(fp, 0, SEEK_END) == 0;
    const vsi_l_offset nSize = bRead ? VSIFTellL(fp) : 0;
    if (bRead && nSize <= kMaxFileSize) {
        bytes.resize(static_cast<size_t>(nSize));
        bRead = VSIFSeekL(fp, 0, SEEK_SET) == 0 &&
                VSIFReadL(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    }
    if (fp != nullptr)
        VSIFCloseL(fp);
    std::string strWhy = !bRead                 ? std::string("cannot be read")
                         : nSize > kMaxFileSize ? std::string("too large for a colour library")
                                                : std::string();
    if (strWhy.empty() && Parse(bytes, &strWhy))
        return true;
    *pstrError = strPath + ": " + strWhy;
    return false;
}

std::optional<std::uint32_t> ColorLibrary::Rgb(int nColor) const {
    if (nColor < 1 || nColor > Count())
        return std::nullopt;
    return m_rgb[static_cast<size_t>(nColor - 1)];
}

}  // namespace mapgis
