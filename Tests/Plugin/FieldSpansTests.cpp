// Fields located in place answer as Split and the number conversions of the pieces do.
#include <gtest/gtest.h>

#include <string>

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
