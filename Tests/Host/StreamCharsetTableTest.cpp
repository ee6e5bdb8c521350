// Lines with Chinese text read through the stream: two-byte characters come from the
// charset's table, and anything the table does not hold (invalid bytes, a cut character,
// GB18030's four-byte sequences) is decoded as a whole line by iconv, as before.
#include <gtest/gtest.h>

#include <string>

#include "KtFileStdio.h"
#include "TestFiles.h"

using KTX::KtFileStdio;
using KTX::PlxUnicodeString;

namespace {

struct CharsetCase {
    const char* pszName;
    std::string bytes;  // one line, without its line end
    KTX::PLXCharset eCharset;
    std::u16string expected;
};

class StreamCharsetTable : public ::testing::TestWithParam<CharsetCase> {
protected:
    testfiles::TempDir dir;
};

TEST_P(StreamCharsetTable, DecodesTheLine) {
    const CharsetCase& c = GetParam();
    const std::string path = dir.Write("line.txt", c.bytes + "\r\nnext\r\n");
    KtFileStdio file;
    ASSERT_TRUE(file.Open(PlxUnicodeString::FromUtf8(path), KTX::KTFILE_READ, 8192, c.eCharset));
    PlxUnicodeString strLine;
    ASSERT_TRUE(file.ReadLine(strLine));
    EXPECT_EQ(strLine.Str(), c.expected);
    ASSERT_TRUE(file.ReadLine(strLine));
    EXPECT_EQ(strLine.Str(), u"next");
}

// GBK: D6D0 is U+4E2D, CEC4 U+6587, C2B7 U+8DEF. 0x81 0x20 is no character: the lead byte
// becomes U+FFFD and the blank stays. GB18030: 81 30 81 30 is U+0080.
INSTANTIATE_TEST_SUITE_P(
    Lines, StreamCharsetTable,
    ::testing::Values(
        CharsetCase{"TwoByteOnly", "\xD6\xD0\xCE\xC4", KTX::PLXCharsetGBK, u"\u4E2D\u6587"},
        CharsetCase{"MixedWithAscii", "1,2,\"\xD6\xD0\xC2\xB7\",3.5", KTX::PLXCharsetGBK,
                    u"1,2,\"\u4E2D\u8DEF\",3.5"},
        CharsetCase{"LongAsciiRunThenChinese", "38512345.678901,3412345.678901,\xD6\xD0",
                    KTX::PLXCharsetGBK, u"38512345.678901,3412345.678901,\u4E2D"},
        CharsetCase{"InvalidTrailByte", "a\x81 b", KTX::PLXCharsetGBK, u"a\uFFFD b"},
        CharsetCase{"CutAtTheLineEnd", "ab\xD6", KTX::PLXCharsetGBK, u"ab\uFFFD"},
        CharsetCase{"Gb18030FourBytes", "x\x81\x30\x81\x30\xD6\xD0", KTX::PLXCharsetGB18030,
                    u"x\u0080\u4E2D"},
        CharsetCase{"Gb18030TwoBytes", "\xD6\xD0\xCE\xC4", KTX::PLXCharsetGB18030, u"\u4E2D\u6587"},
        CharsetCase{"Utf8", "\xE4\xB8\xAD,1", KTX::PLXCharsetUTF8, u"\u4E2D,1"}),
    [](const ::testing::TestParamInfo<CharsetCase>& info) { return info.param.pszName; });

}  // namespace
