// KtStringEx::LoadResString: message texts and the font faces behind MAPGIS font numbers.
#include <gtest/gtest.h>

#include "KtStringEx.h"

using KTX::KtStringEx;
using KTX::PlxUnicodeString;

namespace {

TEST(ResourceString, FontFacesOfMapgisFonts) {
    const struct {
        const char16_t* pszID;
        const char16_t* pszFace;
    } cases[] = {{u"IMl001", u"SimSun"},
                 {u"IMl002", u"SimHei"},
                 {u"IMl004", u"FangSong"},
                 {u"IMl005", u"KaiTi"}};
    for (const auto& c : cases) {
        KtStringEx s;
        EXPECT_TRUE(s.LoadResString(c.pszID));
        EXPECT_EQ(s.Str(), c.pszFace);
    }
}

TEST(ResourceString, RefusedItemMessage) {
    KtStringEx s;
    ASSERT_TRUE(s.LoadResString(u"IMe056"));
    EXPECT_NE(s.Find(u"refused"), -1);
    EXPECT_NE(s.Find(u"fields"), -1);
}

TEST(ResourceString, UnknownIdentifiersLeaveTheTextEmpty) {
    KtStringEx s;
    ASSERT_TRUE(s.LoadResString(u"IMl001"));
    for (const char16_t* pszID : {u"IMx999", u"ime056", u"IMe056 ", u""}) {
        EXPECT_FALSE(s.LoadResString(pszID));
        EXPECT_TRUE(s.IsEmpty());
    }
}

}  // namespace
