// The string's own storage: texts up to the inline capacity and beyond it, copies and moves
// across that boundary, appending and assigning its own text, and direct buffer filling.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "PlxUnicodeString.h"

using KTX::PlxUnicodeString;

namespace {

// Texts of 23 characters fit the inline buffer; 24 and more need a heap block.
const std::u16string kShort(23, u's');
const std::u16string kLong(24, u'L');

PlxUnicodeString Make(const std::u16string& s) {
    return PlxUnicodeString(s.data(), static_cast<int>(s.size()));
}

// Length, content and the terminating zero agree.
void ExpectText(const PlxUnicodeString& s, const std::u16string& expected) {
    EXPECT_EQ(s.GetLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(s.Str(), expected);
    EXPECT_EQ(s.GetString()[expected.size()], u'\0');
}

class StringAcrossInlineBoundary : public ::testing::TestWithParam<std::u16string> {};

TEST_P(StringAcrossInlineBoundary, CopyIsIndependentOfItsSource) {
    PlxUnicodeString a = Make(GetParam());
    PlxUnicodeString b = a;
    a += u'!';
    ExpectText(b, GetParam());
    ExpectText(a, GetParam() + u"!");
}

TEST_P(StringAcrossInlineBoundary, MoveLeavesAUsableEmptySource) {
    PlxUnicodeString a = Make(GetParam());
    PlxUnicodeString b = std::move(a);
    ExpectText(b, GetParam());
    ExpectText(a, u"");  // NOLINT(bugprone-use-after-move): the moved-from state is specified
    a += u"again";
    ExpectText(a, u"again");
}

TEST_P(StringAcrossInlineBoundary, MoveAssignmentReplacesLongAndShortTargets) {
    for (const std::u16string& target : {kShort, kLong}) {
        PlxUnicodeString b = Make(target);
        PlxUnicodeString a = Make(GetParam());
        b = std::move(a);
        ExpectText(b, GetParam());
    }
}

TEST_P(StringAcrossInlineBoundary, AppendingItselfDoublesTheText) {
    PlxUnicodeString a = Make(GetParam());
    a += a;
    ExpectText(a, GetParam() + GetParam());
}

TEST_P(StringAcrossInlineBoundary, AssigningAPartOfItselfKeepsThatPart) {
    PlxUnicodeString a = Make(GetParam());
    a = a.Mid(1);
    ExpectText(a, GetParam().substr(GetParam().empty() ? 0 : 1));
    PlxUnicodeString b = Make(GetParam());
    const PlxUnicodeString& alias = b;
    b = alias;  // assignment from itself
    ExpectText(b, GetParam());
}

TEST_P(StringAcrossInlineBoundary, EmptiedStringIsRefilledWithTheNewTextOnly) {
    PlxUnicodeString a = Make(GetParam());
    a.Empty();
    ExpectText(a, u"");
    a += u"x";
    ExpectText(a, u"x");
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringAcrossInlineBoundary,
                         ::testing::Values(std::u16string(), std::u16string(u"a"), kShort, kLong,
                                           std::u16string(1000, u'q')));

TEST(StringBuffer, SetLengthKeepsThePrefixAndReleaseCutsToWhatWasWritten) {
    PlxUnicodeString s(u"abc");
    char16_t* p = s.GetBufferSetLength(40);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], u'a');
    EXPECT_EQ(p[2], u'c');
    for (int i = 3; i < 40; ++i)
        p[i] = u'z';
    s.ReleaseBuffer(5);
    ExpectText(s, u"abczz");
}

TEST(StringBuffer, ReleaseBeyondTheLengthKeepsTheLength) {
    PlxUnicodeString s(u"abcdef");
    s.GetBufferSetLength(4);
    s.ReleaseBuffer(10);
    ExpectText(s, u"abcd");
}

TEST(StringBuffer, NegativeLengthGivesAnEmptyString) {
    PlxUnicodeString s(u"abc");
    s.GetBufferSetLength(-2);
    ExpectText(s, u"");
}

TEST(StringGrowth, CharacterByCharacterAppendingKeepsEveryCharacter) {
    PlxUnicodeString s;
    std::u16string expected;
    for (int i = 0; i < 300; ++i) {
        const auto c = static_cast<char16_t>(u'a' + i % 26);
        s += c;
        expected += c;
    }
    ExpectText(s, expected);
}

TEST(StringCompare, OrderIsThatOfTheCodeUnits) {
    EXPECT_TRUE(PlxUnicodeString(u"abc") < PlxUnicodeString(u"abd"));
    EXPECT_TRUE(PlxUnicodeString(u"ab") < PlxUnicodeString(u"abc"));
    EXPECT_FALSE(PlxUnicodeString(u"\u4E2D") < PlxUnicodeString(u"z"));
    EXPECT_EQ(Make(kLong), Make(kLong));
    EXPECT_NE(Make(kLong), Make(kShort));
}

}  // namespace
