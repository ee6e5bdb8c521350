// Fuzzes the layout of annotation texts: control codes (raised and lowered groups,
// fractions), spaced texts and vertical texts, on a fuzzed text with fuzzed sizes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzInput.h"
#include "KtReadWatFile.h"
#include "tagTextCell.h"

namespace KTX {

struct KtReadWatFileTestAccess {
    using Cells = PlxArray<tagTextCell*>;

    static int ConversionText(const KtReadWatFile& r, const PlxUnicodeString& s, double x, double y,
                              double h, double w, double sp, double a, Cells& c) {
        return r.ConversionText(s, x, y, h, w, sp, a, c);
    }
    static int ExcuteText04(const KtReadWatFile& r, const PlxUnicodeString& s, double x, double y,
                            double h, double w, double sp, double a, Cells& c) {
        return r.ExcuteText04(s, x, y, h, w, sp, a, c);
    }
    static int ExcuteText05(const KtReadWatFile& r, const PlxUnicodeString& s, double& x, double& y,
                            double h, double w, double sp, double a, Cells& c) {
        return r.ExcuteText05(s, x, y, h, w, sp, a, c);
    }
};

}  // namespace KTX

namespace {

using Access = KTX::KtReadWatFileTestAccess;

// Owns the pieces a layout appended.
struct Cells {
    KTX::PlxArray<KTX::tagTextCell*> arr;
    Cells() = default;
    Cells(const Cells&) = delete;
    Cells& operator=(const Cells&) = delete;
    ~Cells() {
        for (KTX::tagTextCell* p : arr)
            delete p;
    }
};

// The six size parameters (x, y, height, width, spacing, angle), three bytes each: a signed
// 16-bit number times a power of ten from 1e-12 to 1e6, so zero, near-zero and map-sized
// values all come up and every one is finite.
constexpr std::size_t kParamBytes = 3;
constexpr std::size_t kParamCount = 6;

double ParamAt(const std::uint8_t* p) {
    const auto nMantissa = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    const int nExponent = p[2] % 19 - 12;
    return nMantissa * std::pow(10.0, nExponent);
}

bool IsFinite(const KTX::PlxPoint2D& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

void CheckPieces(const Cells& cells, int nResult) {
    fuzzinput::Require(nResult == cells.arr.GetSize(), "the result is the number of pieces");
    for (const KTX::tagTextCell* pCell : cells.arr) {
        fuzzinput::Require(pCell != nullptr, "every piece exists");
        fuzzinput::Require(IsFinite(pCell->pntPos), "a piece stands at a finite place");
        fuzzinput::Require(pCell->nCellType == 0 || pCell->nCellType == 1, "a piece's kind");
        if (pCell->nCellType == 1) {
            const auto* pLine = dynamic_cast<const KTX::tagTextLineCell*>(pCell);
            fuzzinput::Require(pLine != nullptr, "a line piece carries its end");
            fuzzinput::Require(IsFinite(pLine->pntEnd), "a line piece ends at a finite place");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < kParamBytes * kParamCount)
        return 0;
    double d[kParamCount];
    for (std::size_t i = 0; i < kParamCount; ++i)
        d[i] = ParamAt(pData + i * kParamBytes);
    // One character per byte: the codes are plain ASCII, and any other character, the zero
    // character included, is just a character of the text.
    std::vector<char16_t> text(pData + kParamBytes * kParamCount, pData + nSize);
    const KTX::PlxUnicodeString strText(text.data(), static_cast<int>(text.size()));

    const KTX::KtReadWatFile reader;
    {
        Cells cells;
        CheckPieces(cells, Access::ConversionText(reader, strText, d[0], d[1], d[2], d[3], d[4],
                                                  d[5], cells.arr));
    }
    {
        Cells cells;
        CheckPieces(cells, Access::ExcuteText04(reader, strText, d[0], d[1], d[2], d[3], d[4], d[5],
                                                cells.arr));
    }
    {
        Cells cells;
        double dX = d[0];
        double dY = d[1];
        CheckPieces(cells, Access::ExcuteText05(reader, strText, dX, dY, d[2], d[3], d[4], d[5],
                                                cells.arr));
        fuzzinput::Require(std::isfinite(dX) && std::isfinite(dY), "the pen stays finite");
    }
    return 0;
}
