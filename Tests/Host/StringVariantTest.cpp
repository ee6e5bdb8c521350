// PlxVariant conversions and PlxFieldInfos lookup.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "PlxFieldInfo.h"
#include "PlxVariant.h"

using KTX::PlxUnicodeString;
using KTX::PlxVariant;

namespace {

TEST(StringVariant, IntegerConversions) {
    EXPECT_EQ(PlxVariant(42).ToInt(), 42);
    EXPECT_EQ(PlxVariant(3.9).ToInt(), 3);
    EXPECT_EQ(PlxVariant(-3.9).ToInt(), -3);
    EXPECT_EQ(PlxVariant(1e20).ToInt(), INT_MAX);
    EXPECT_EQ(PlxVariant(-1e20).ToInt(), INT_MIN);
    EXPECT_EQ(PlxVariant(std::numeric_limits<double>::quiet_NaN()).ToInt(), 0);
    EXPECT_EQ(PlxVariant(PlxUnicodeString(u" 12abc")).ToInt(), 12);
    EXPECT_EQ(PlxVariant().ToInt(), 0);
}

TEST(StringVariant, RealAndTextConversions) {
    EXPECT_DOUBLE_EQ(PlxVariant(7).ToDouble(), 7.0);
    EXPECT_DOUBLE_EQ(PlxVariant(PlxUnicodeString(u"-.5e1")).ToDouble(), -5.0);
    EXPECT_EQ(PlxVariant().ToDouble(), 0.0);
    EXPECT_EQ(PlxVariant(-5).ToString().Str(), u"-5");
    EXPECT_EQ(PlxVariant(0.1).ToString().Str(), u"0.1");
    EXPECT_EQ(PlxVariant(2.5e-7).ToString().Str(), u"2.5e-07");
    EXPECT_EQ(PlxVariant(PlxUnicodeString(u"t")).ToString().Str(), u"t");
    EXPECT_TRUE(PlxVariant().ToString().IsEmpty());
}

TEST(StringVariant, EqualityNeedsTypeAndValue) {
    EXPECT_EQ(PlxVariant(1), PlxVariant(1));
    EXPECT_NE(PlxVariant(1), PlxVariant(2));
    EXPECT_NE(PlxVariant(1), PlxVariant(1.0));
    EXPECT_EQ(PlxVariant(PlxUnicodeString(u"a")), PlxVariant(PlxUnicodeString(u"a")));
    EXPECT_EQ(PlxVariant(), PlxVariant());
    EXPECT_NE(PlxVariant(), PlxVariant(0));
    EXPECT_TRUE(PlxVariant().IsNull());
    EXPECT_EQ(PlxVariant(2.0).GetType(), PlxVariant::Double);
}

TEST(StringFieldInfos, FindIsAnExactNameMatch) {
    KTX::PlxFieldInfos infos;
    KTX::PlxFieldInfo info;
    info.m_strName = u"RbUserID";
    info.m_nType = KTX::PLX_FIELD_INT32;
    info.m_nSize = 4;
    infos.Add(info);
    info.m_strName = u"Name";
    infos.Add(info);
    EXPECT_EQ(infos.Find(u"RbUserID"), 0);
    EXPECT_EQ(infos.Find(u"Name"), 1);
    EXPECT_EQ(infos.Find(u"rbuserid"), -1);
    EXPECT_EQ(KTX::PlxFieldInfos().Find(u"Name"), -1);
}

}  // namespace
