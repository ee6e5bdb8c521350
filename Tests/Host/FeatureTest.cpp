// Features: field descriptions, values by name and index, and ownership of the geometry.
#include <gtest/gtest.h>

#include "KtFeature.h"
#include "KtGeoPoint.h"

using namespace KTX;

namespace {

// A geometry that counts the live instances, so that deletions can be checked directly.
class CountedPoint : public KtGeoPoint {
public:
    CountedPoint() { ++s_nLive; }
    ~CountedPoint() override { --s_nLive; }
    static int s_nLive;
};
int CountedPoint::s_nLive = 0;

PlxFieldInfos TwoFields() {
    PlxFieldInfos infos;
    PlxFieldInfo id;
    id.m_strName = u"RbUserID";
    id.m_nType = PLX_FIELD_INT32;
    id.m_nSize = 4;
    infos.Add(id);
    PlxFieldInfo name;
    name.m_strName = u"Name";
    name.m_nType = PLX_FIELD_STRING;
    name.m_nSize = 32;
    infos.Add(name);
    return infos;
}

class FeatureTest : public ::testing::Test {
protected:
    void SetUp() override { CountedPoint::s_nLive = 0; }
    void TearDown() override { EXPECT_EQ(CountedPoint::s_nLive, 0); }
};

TEST_F(FeatureTest, ValuesFollowTheFieldDescriptions) {
    KtFeature feature;
    EXPECT_FALSE(feature.SetValue(u"RbUserID", PlxVariant(1)));
    feature.SetFieldInfos(TwoFields());
    ASSERT_EQ(feature.GetFieldInfos().GetSize(), 2);
    ASSERT_NE(feature.GetValue(u"RbUserID"), nullptr);
    EXPECT_TRUE(feature.GetValue(u"RbUserID")->IsNull());

    EXPECT_TRUE(feature.SetValue(u"RbUserID", PlxVariant(42)));
    EXPECT_TRUE(feature.SetValue(u"Name", PlxVariant(PlxUnicodeString(u"x"))));
    EXPECT_FALSE(feature.SetValue(u"rbuserid", PlxVariant(7)));
    EXPECT_FALSE(feature.SetValue(u"Other", PlxVariant(7)));
    ASSERT_NE(feature.GetValue(0), nullptr);
    EXPECT_EQ(feature.GetValue(0)->GetType(), PlxVariant::Int32);
    EXPECT_EQ(feature.GetValue(0)->ToInt(), 42);
    EXPECT_EQ(feature.GetValue(u"Name")->GetType(), PlxVariant::String);
    EXPECT_EQ(feature.GetValue(2), nullptr);
    EXPECT_EQ(feature.GetValue(-1), nullptr);
    EXPECT_EQ(feature.GetValue(u"Other"), nullptr);

    // New descriptions clear every value.
    feature.SetFieldInfos(TwoFields());
    EXPECT_TRUE(feature.GetValue(0)->IsNull());
    EXPECT_TRUE(feature.GetValue(1)->IsNull());
}

TEST_F(FeatureTest, OwnsItsGeometry) {
    {
        KtFeature feature;
        auto* first = new CountedPoint;
        feature.SetGeometry(first);
        EXPECT_EQ(feature.GetGeometry(), first);
        // Handing over the held geometry again must not delete it.
        feature.SetGeometry(first);
        EXPECT_EQ(CountedPoint::s_nLive, 1);
        EXPECT_EQ(feature.GetGeometry()->GetType(), KTGEO_POINT);

        feature.SetGeometry(new CountedPoint);
        EXPECT_EQ(CountedPoint::s_nLive, 1);
        feature.SetGeometry(nullptr);
        EXPECT_EQ(CountedPoint::s_nLive, 0);
        feature.SetGeometry(new CountedPoint);
    }
    EXPECT_EQ(CountedPoint::s_nLive, 0);
}

TEST_F(FeatureTest, DetachHandsTheGeometryOver) {
    KtFeature feature;
    auto* point = new CountedPoint;
    feature.SetGeometry(point);
    KtGeometry* detached = feature.DetachGeometry();
    EXPECT_EQ(detached, point);
    EXPECT_EQ(feature.GetGeometry(), nullptr);
    EXPECT_EQ(CountedPoint::s_nLive, 1);
    delete detached;
}

TEST_F(FeatureTest, ClearMakesItNew) {
    KtFeature feature;
    feature.SetFieldInfos(TwoFields());
    ASSERT_TRUE(feature.SetValue(u"RbUserID", PlxVariant(5)));
    feature.SetGeometry(new CountedPoint);
    feature.Clear();
    EXPECT_EQ(CountedPoint::s_nLive, 0);
    EXPECT_EQ(feature.GetGeometry(), nullptr);
    EXPECT_EQ(feature.GetFieldInfos().GetSize(), 0);
    EXPECT_EQ(feature.GetValue(0), nullptr);
    EXPECT_FALSE(feature.SetValue(u"RbUserID", PlxVariant(5)));
}

}  // namespace
