// The ENCODING open option and the look at the file that AUTO takes.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "mapgisencoding.h"

using KTX::PLXCharset;

TEST(Encoding, AutoTellsUtf8FromGb18030) {
    testfiles::TempDir dir;
    const std::string strAscii = dir.Write("a.wal", "WMAP\n1\n");
    const std::string strUtf8 = dir.Write("u.wal", "WMAP \xe6\xb2\xb3\n1\n");  // U+6CB3
    const std::string strGb = dir.Write("g.wal", "WMAP \xba\xd3\n1\n");        // the same in GBK
    const std::string strCut = dir.Write("c.wal", "WMAP \xe6\xb2");            // cut short
    const std::string strOverlong = dir.Write("o.wal", "\xc0\xaf");
    PLXCharset e = KTX::PLXCharsetDefault;
    // ASCII alone reads the same either way: the charset MAPGIS writes.
    ASSERT_TRUE(mapgis::CharsetFromOption("AUTO", strAscii, &e));
    EXPECT_EQ(e, KTX::PLXCharsetGB18030);
    ASSERT_TRUE(mapgis::CharsetFromOption("auto", strUtf8, &e));
    EXPECT_EQ(e, KTX::PLXCharsetUTF8);
    ASSERT_TRUE(mapgis::CharsetFromOption("AUTO", strGb, &e));
    EXPECT_EQ(e, KTX::PLXCharsetGB18030);
    EXPECT_FALSE(mapgis::IsFileUtf8(strCut));
    EXPECT_FALSE(mapgis::IsFileUtf8(strOverlong));
    EXPECT_FALSE(mapgis::IsFileUtf8(dir.Path() + "/missing.wal"));
}

TEST(Encoding, AutoDecidesOnTheStartOfALargeFile) {
    testfiles::TempDir dir;
    std::string strText = "WMAP\n1\n";
    for (int i = 0; i < 5000; ++i)
        strText += "\xe6\xb2\xb3";  // U+6CB3
    // Past the characters that settle it, a byte that is no UTF-8 is not looked at.
    const std::string strLate = dir.Write("late.wal", strText + "\xba\xd3\n");
    EXPECT_TRUE(mapgis::IsFileUtf8(strLate));
    const std::string strEarly = dir.Write("early.wal", "WMAP \xba\xd3\n" + strText);
    EXPECT_FALSE(mapgis::IsFileUtf8(strEarly));
}

TEST(Encoding, NamedCharsets) {
    PLXCharset e = KTX::PLXCharsetDefault;
    ASSERT_TRUE(mapgis::CharsetFromOption("GBK", "", &e));
    EXPECT_EQ(e, KTX::PLXCharsetGBK);
    ASSERT_TRUE(mapgis::CharsetFromOption("gb18030", "", &e));
    EXPECT_EQ(e, KTX::PLXCharsetGB18030);
    ASSERT_TRUE(mapgis::CharsetFromOption("UTF-8", "", &e));
    EXPECT_EQ(e, KTX::PLXCharsetUTF8);
    EXPECT_FALSE(mapgis::CharsetFromOption("LATIN1", "", &e));
}
