// Split into an array that already holds pieces of earlier lines: every piece is replaced,
// long pieces and short ones alike, and the array ends with exactly the new pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlxUnicodeString.h"

using KTX::PlxArray;
using KTX::PlxUnicodeString;

namespace {

std::vector<std::u16string> Pieces(const PlxArray<PlxUnicodeString>& arr) {
    std::vector<std::u16string> out;
    for (const PlxUnicodeString& s : arr)
        out.push_back(s.Str());
    return out;
}

TEST(SplitReuse, LinesOfDifferentShapesInTurnGiveTheirOwnPieces) {
    const std::u16string kLong(30, u'7');  // longer than the inline buffer
    const struct {
        std::u16string line;
        std::vector<std::u16string> pieces;
    } lines[] = {
        {u"1,0,17,1.5,0,0,0,0,0", {u"1", u"0", u"17", u"1.5", u"0", u"0", u"0", u"0", u"0"}},
        {u"12", {u"12"}},
        {kLong + u"," + kLong, {kLong, kLong}},
        {u"a,b", {u"a", u"b"}},
        {u",", {u"", u""}},
        {kLong + u",,x", {kLong, u"", u"x"}},
        {u"", {}},
    };
    PlxArray<PlxUnicodeString> arr;
    for (const auto& c : lines) {
        SCOPED_TRACE(PlxUnicodeString(c.line).ToUtf8());
        const int n = PlxUnicodeString(c.line).Split(arr, u",");
        EXPECT_EQ(n, static_cast<int>(c.pieces.size()));
        EXPECT_EQ(Pieces(arr), c.pieces);
    }
}

// The single-separator path and the general one cut alike.
TEST(SplitReuse, OneSeparatorAndASetHoldingItCutTheSame) {
    for (const char16_t* psz : {u"a,b,,c,", u",x", u"no separator", u"38.5,3400000.25"}) {
        PlxArray<PlxUnicodeString> one;
        PlxArray<PlxUnicodeString> set;
        const PlxUnicodeString s(psz);
        EXPECT_EQ(s.Split(one, u","), s.Split(set, u",;"));
        EXPECT_EQ(Pieces(one), Pieces(set)) << s.ToUtf8();
    }
}

// Lines of every length up to 40 with separators at every kind of place: first and last,
// side by side, at the edges of groups of eight characters; and U+012C, whose low byte is a
// comma, which must not cut.
TEST(SplitReuse, OneSeparatorCutsLikeASetAtEveryPlaceOfLongLines) {
    unsigned nSeed = 12345;
    for (int nLength = 0; nLength <= 40; ++nLength) {
        for (int nRound = 0; nRound < 20; ++nRound) {
            std::u16string line;
            for (int i = 0; i < nLength; ++i) {
                nSeed = nSeed * 1103515245u + 12345u;
                const unsigned r = (nSeed >> 16) % 8;
                line += r < 3 ? u',' : r == 3 ? u'\u012C' : static_cast<char16_t>(u'0' + r);
            }
            PlxArray<PlxUnicodeString> one;
            PlxArray<PlxUnicodeString> set;
            const PlxUnicodeString s(line);
            ASSERT_EQ(s.Split(one, u","), s.Split(set, u",;")) << s.ToUtf8();
            ASSERT_EQ(Pieces(one), Pieces(set)) << s.ToUtf8();
        }
    }
}

TEST(SplitReuse, SkippingEmptyPiecesAfterAKeepingSplitLeavesNoStalePiece) {
    PlxArray<PlxUnicodeString> arr;
    PlxUnicodeString(u"a,b,c,d").Split(arr, u",");
    EXPECT_EQ(PlxUnicodeString(u",,e,,").Split(arr, u",", PlxUnicodeString::SplitSkipEmpty), 1);
    EXPECT_EQ(Pieces(arr), std::vector<std::u16string>{u"e"});
}

}  // namespace
