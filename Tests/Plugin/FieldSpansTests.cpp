// Fields located in place answer as Split and the number conversions of the pieces do, and a
// bound gathered from them is the bound of their values.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "KtBoundBuilder.h"
#include "KtFieldSpans.h"

using KTX::KtFieldSpans;
using KTX::PlxArray;
using KTX::PlxUnicodeString;

namespace {

class FieldSpansLikeSplit : public ::testing::TestWithParam<const char16_t*> {};

TEST_P(FieldSpansLikeSplit, SameCountAndValues) {
    const PlxUnicodeString strLine(GetParam());
    PlxArray<PlxUnicodeString> arrPieces;
    const int nPieces = strLine.Split(arrPieces, u",");
    const KtFieldSpans fields(strLine);
    ASSERT_EQ(fields.GetCount(), nPieces);
    for (int i = 0; i < nPieces && i < KtFieldSpans::kMaxSpans; ++i) {
        EXPECT_EQ(fields.ToInt(i), KTX::ugatoi(arrPieces[i])) << "field " << i;
        EXPECT_EQ(fields.ToDouble(i), KTX::ugatof(arrPieces[i])) << "field " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, FieldSpansLikeSplit,
                         ::testing::Values(u"", u",", u",,", u"7", u"-3,", u",5",
                                           u"38512345.678901,3412345.678901", u" 12 , 4.5e2 ,x",
                                           u"1,0,17,1.5,0,0,0,0,0",
                                           u"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16",
                                           u"\u4E2D,2,\"a,b\""));

TEST(FieldSpans, ResetForgetsTheFieldsOfTheLineBefore) {
    const PlxUnicodeString strFirst(u"1,2,3,4,5");
    const PlxUnicodeString strSecond(u"9,8");
    KtFieldSpans fields(strFirst);
    ASSERT_EQ(fields.GetCount(), 5);
    fields.Reset(strSecond);
    EXPECT_EQ(fields.GetCount(), 2);
    EXPECT_EQ(fields.ToInt(0), 9);
    EXPECT_EQ(fields.ToInt(1), 8);
    fields.Reset(PlxUnicodeString());
    EXPECT_EQ(fields.GetCount(), 0);
}

}  // namespace

namespace {

struct TruncCase {
    const char16_t* pszField;
    bool bPlain;
    std::int64_t nTrunc;
};

class FieldSpansTruncated : public ::testing::TestWithParam<TruncCase> {};

TEST_P(FieldSpansTruncated, PlainDecimalsGiveTheirIntegerPart) {
    const PlxUnicodeString strLine(GetParam().pszField);
    const KtFieldSpans fields(strLine);
    std::int64_t nTrunc = 12345;
    ASSERT_EQ(fields.ToTruncated(0, nTrunc), GetParam().bPlain);
    if (GetParam().bPlain) {
        EXPECT_EQ(nTrunc, GetParam().nTrunc);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldSpansTruncated,
    ::testing::Values(TruncCase{u"12.5", true, 12}, TruncCase{u"-12.5", true, -12},
                      TruncCase{u"+3", true, 3}, TruncCase{u"-.5", true, 0},
                      TruncCase{u"5.", true, 5}, TruncCase{u"38512345.678901", true, 38512345},
                      TruncCase{u"123456789012345.5", true, 123456789012345},
                      // Sixteen digits before the point, an exponent, blanks, no digit at all
                      // or anything after the number: converted in full instead.
                      TruncCase{u"1234567890123456", false, 0}, TruncCase{u"1e5", false, 0},
                      TruncCase{u" 1", false, 0}, TruncCase{u"1 ", false, 0},
                      TruncCase{u".", false, 0}, TruncCase{u"-", false, 0},
                      TruncCase{u"", false, 0}, TruncCase{u"1.2.3", false, 0},
                      TruncCase{u"12a", false, 0}));

// Points fed as text give the very bound that converting every coordinate gives, however
// close to the bound gathered so far they fall.
TEST(BoundBuilder, SkippingInnerCoordinatesGivesTheSameBound) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> whole(-60, 60);
    std::uniform_int_distribution<int> frac(0, 999);
    std::uniform_int_distribution<int> form(0, 5);
    KTX::KtBoundBuilder fromText;
    KTX::KtBoundBuilder fromValues;
    auto field = [&]() {
        const int w = whole(rng);
        switch (form(rng)) {
            case 0:
                return std::to_string(w);
            case 1:
                return std::to_string(w) + "." + std::to_string(frac(rng));
            case 2:
                return (w < 0 ? "-0." : "0.") + std::to_string(frac(rng));
            case 3:
                return std::to_string(w) + "e0";  // not plain: converted in full
            case 4:
                return std::to_string(w) + ".999999";
            default:
                return std::to_string(w) + ".000001";
        }
    };
    for (int i = 0; i < 5000; ++i) {
        const std::string strLine = field() + "," + field();
        const PlxUnicodeString str = PlxUnicodeString::FromUtf8(strLine);
        const KtFieldSpans fields(str);
        fromText.Add(fields);
        fromValues.Add(fields.ToDouble(0), fields.ToDouble(1));
        const KTX::PlxRect2D a = fromText.GetRect();
        const KTX::PlxRect2D b = fromValues.GetRect();
        ASSERT_EQ(a.left, b.left) << strLine;
        ASSERT_EQ(a.right, b.right) << strLine;
        ASSERT_EQ(a.top, b.top) << strLine;
        ASSERT_EQ(a.bottom, b.bottom) << strLine;
    }
}

}  // namespace
