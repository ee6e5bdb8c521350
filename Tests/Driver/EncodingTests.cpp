// The ENCODING open option and the look at the file that AUTO takes.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "mapgisencoding.h"

using KTX::PLXCharset;

TEST(Encoding, OptionNamesACharsetOrLooksAtTheFile) {
    testfiles::TempDir dir;
    std::string strLong = "WMAP\n1\n";
    for (int i = 0; i < 5000; ++i)
        strLong += "\xe6\xb2\xb3";  // U+6CB3
    // ASCII alone reads the same either way: the charset MAPGIS writes. Past the characters
    // that settle it, a byte that is no UTF-8 is not looked at.
    const struct {
        const char* pszOption;
        std::string strContent;
        PLXCharset eExpected;
    } kCases[] = {
        {"AUTO", "WMAP\n1\n", KTX::PLXCharsetGB18030},
        {"auto", "WMAP \xe6\xb2\xb3\n1\n", KTX::PLXCharsetUTF8},
        {"AUTO", "WMAP \xba\xd3\n1\n", KTX::PLXCharsetGB18030},  // U+6CB3 in GBK
        {"AUTO", "WMAP \xe6\xb2", KTX::PLXCharsetGB18030},       // cut short
        {"AUTO", "\xc0\xaf", KTX::PLXCharsetGB18030},            // overlong
        {"AUTO", strLong + "\xba\xd3\n", KTX::PLXCharsetUTF8},
        {"AUTO", "WMAP \xba\xd3\n" + strLong, KTX::PLXCharsetGB18030},
        // Runs of ASCII are passed over a word at a time: what follows them is still seen,
        // within a word, at its end and across the reads of the file.
        {"AUTO", std::string(13, 'a') + "\xba\xd3", KTX::PLXCharsetGB18030},
        {"AUTO", std::string(16, 'a') + "\xe6\xb2\xb3" + std::string(9, 'b'), KTX::PLXCharsetUTF8},
        {"AUTO", std::string(65535, 'a') + "\xe6\xb2\xb3", KTX::PLXCharsetUTF8},
        {"AUTO", std::string(65534, 'a') + "\xe6\xb2", KTX::PLXCharsetGB18030},
        {"AUTO", std::string(65536, 'a') + "\xe6\xb2\xb3\xba", KTX::PLXCharsetGB18030},
        {"GBK", "", KTX::PLXCharsetGBK},
        {"gb18030", "", KTX::PLXCharsetGB18030},
        {"UTF-8", "WMAP \xba\xd3\n", KTX::PLXCharsetUTF8},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(&c - kCases);
        const std::string strPath = dir.Write("f.wal", c.strContent);
        PLXCharset e = KTX::PLXCharsetDefault;
        ASSERT_TRUE(mapgis::CharsetFromOption(c.pszOption, strPath, &e));
        EXPECT_EQ(e, c.eExpected);
    }
    PLXCharset e = KTX::PLXCharsetDefault;
    EXPECT_FALSE(mapgis::CharsetFromOption("LATIN1", "", &e));
    EXPECT_FALSE(mapgis::IsFileUtf8(dir.Path() + "/missing.wal"));
}
