// KtFileStdio as the readers use it: lines and their byte positions, returning to remembered
// positions, the Chinese charsets, and lines that do not fit the buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KtFileStdio.h"
#include "TestFiles.h"

using KTX::KtFileStdio;
using KTX::PLXCharset;
using KTX::PlxUnicodeString;

namespace {

class Stream : public ::testing::Test {
protected:
    void OpenBytes(const std::string& bytes, PLXCharset eCharset = KTX::PLXCharsetUTF8,
                   int nBuffer = 8192) {
        ASSERT_TRUE(m_file.Open(PlxUnicodeString::FromUtf8(m_dir.Write("t.txt", bytes)),
                                KTX::KTFILE_READ, nBuffer, eCharset));
    }
    std::u16string Next() {
        PlxUnicodeString s;
        EXPECT_TRUE(m_file.ReadLine(s));
        return s.Str();
    }
    std::u16string At(std::int64_t nPos) {
        EXPECT_TRUE(m_file.SetPosition(nPos, KTX::KTFILE_BEGIN));
        return Next();
    }
    // The end: ReadLine fails and leaves the line empty.
    void ExpectEnd() {
        EXPECT_TRUE(m_file.IsEOF());
        PlxUnicodeString s(u"not cleared");
        EXPECT_FALSE(m_file.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
    }

    testfiles::TempDir m_dir;
    KtFileStdio m_file;
};

TEST_F(Stream, CrLfLinesTheirOffsetsAndALastLineWithoutLineEnd) {
    // Offsets: "AB" 0, "CDE" 4, "" 9, "F" 11; twelve bytes in all.
    OpenBytes("AB\r\nCDE\r\n\r\nF");
    EXPECT_EQ(m_file.GetLength(), 12);
    std::vector<std::int64_t> pos;
    std::vector<std::u16string> lines;
    while (!m_file.IsEOF() && lines.size() < 10) {
        pos.push_back(m_file.GetPosition());
        lines.push_back(Next());
    }
    EXPECT_EQ(pos, (std::vector<std::int64_t>{0, 4, 9, 11}));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"AB", u"CDE", u"", u"F"}));
    EXPECT_EQ(m_file.GetPosition(), 12);
    ExpectEnd();
    EXPECT_EQ(At(4), u"CDE");
    EXPECT_EQ(At(0), u"AB");
    EXPECT_EQ(Next(), u"CDE");
    EXPECT_EQ(At(11), u"F");
    ExpectEnd();
    // Positions outside the file are refused and the position stays.
    EXPECT_FALSE(m_file.SetPosition(-1, KTX::KTFILE_BEGIN));
    EXPECT_FALSE(m_file.SetPosition(13, KTX::KTFILE_BEGIN));
    EXPECT_EQ(m_file.GetPosition(), 12);
    EXPECT_TRUE(m_file.SetPosition(12, KTX::KTFILE_BEGIN));
    ExpectEnd();
}

TEST_F(Stream, ByteOrderMarkIsSkippedAndEmptyFilesEndAtOnce) {
    OpenBytes("\xEF\xBB\xBFhead\nx\n");
    EXPECT_EQ(Next(), u"head");
    EXPECT_EQ(m_file.GetPosition(), 8);
    EXPECT_EQ(At(0), u"head");
    OpenBytes("\xEF\xBB\xBF", KTX::PLXCharsetGB18030);
    ExpectEnd();
    OpenBytes("");
    EXPECT_EQ(m_file.GetLength(), 0);
    ExpectEnd();
}

TEST_F(Stream, GbkPositionsCountBytes) {
    // D6 D0 CE C4 is U+4E2D U+6587; the second line starts after 4 + 3 + 2 bytes.
    const std::string bytes = "\xD6\xD0\xCE\xC4,12\r\nx,\xD6\xD0\n";
    for (PLXCharset e : {KTX::PLXCharsetGBK, KTX::PLXCharsetGB18030, KTX::PLXCharsetDefault}) {
        SCOPED_TRACE(static_cast<int>(e));
        OpenBytes(bytes, e);
        EXPECT_EQ(Next(), u"\u4E2D\u6587,12");
        EXPECT_EQ(m_file.GetPosition(), 9);
        EXPECT_EQ(Next(), u"x,\u4E2D");
        ExpectEnd();
        EXPECT_EQ(At(9), u"x,\u4E2D");
    }
}

// Two-byte characters come from the charset's table; what the table lacks (invalid bytes, a
// cut character, GB18030's four-byte codes) is decoded by iconv with the whole line.
TEST_F(Stream, CharsetsDecodeEveryLine) {
    const struct {
        std::string bytes;
        PLXCharset eCharset;
        std::u16string expected;
    } cases[] = {
        {"\xD6\xD0\xCE\xC4", KTX::PLXCharsetGBK, u"\u4E2D\u6587"},
        {"\xD6\xD0\xCE\xC4", KTX::PLXCharsetGB18030, u"\u4E2D\u6587"},
        // Letters after a character: a reader that stepped one byte would pair them up.
        {"\xD6\xD0\x41\xCE\xC4\x62", KTX::PLXCharsetGBK, u"\u4E2DA\u6587b"},
        {"38512345.678901,3412345.678901,\xD6\xD0", KTX::PLXCharsetGBK,
         u"38512345.678901,3412345.678901,\u4E2D"},
        // 0xFF starts nothing; after 0x81 the 0x7F is no trail byte, so only 0x81 is replaced.
        {"a\xFF"
         "b\x81\x7F"
         "c\xD6\xD0",
         KTX::PLXCharsetGBK, u"a\uFFFDb\uFFFD\u007Fc\u4E2D"},
        {"ab\xD6", KTX::PLXCharsetGBK, u"ab\uFFFD"},
        // ASCII is taken in blocks of 16 and 8, and a short end as the last 16 or 8 bytes:
        // a character inside a block or in those last bytes, after or before ASCII.
        {"0123456789abcdefXYZ", KTX::PLXCharsetGBK, u"0123456789abcdefXYZ"},
        {"0123456789ab", KTX::PLXCharsetGBK, u"0123456789ab"},
        {"0123456789abcdefXY\xD6\xD0", KTX::PLXCharsetGBK, u"0123456789abcdefXY\u4E2D"},
        {"\xD6\xD0"
         "0123456789abcdefgh",
         KTX::PLXCharsetGBK, u"\u4E2D0123456789abcdefgh"},
        {"0123456789a\xD6\xD0", KTX::PLXCharsetGBK, u"0123456789a\u4E2D"},
        {"\xD6\xD0"
         "0123456789",
         KTX::PLXCharsetGBK, u"\u4E2D0123456789"},
        {"0123456789abcde\xD6\xD0xyz", KTX::PLXCharsetGBK, u"0123456789abcde\u4E2Dxyz"},
        // The last 8 bytes would begin with the trail byte 0x41 of a character.
        {"\x81\x41"
         "abcdefg",
         KTX::PLXCharsetGBK, u"\u4E04abcdefg"},
        // 81 30 81 30 is U+0080, 90 30 81 30 U+10000; 81 30 alone is cut short.
        {"x\x81\x30\x81\x30|\x90\x30\x81\x30\xD6\xD0", KTX::PLXCharsetGB18030,
         u"x\u0080|\U00010000\u4E2D"},
        {"\xFF\xD6\xD0\x81\x30", KTX::PLXCharsetGB18030, u"\uFFFD\u4E2D\uFFFD0"},
        {"a\xC3(b\xE4\xB8\xAD\xFF", KTX::PLXCharsetUTF8, u"a\uFFFD(b\u4E2D\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        OpenBytes(c.bytes + "\r\nnext\r\n", c.eCharset);
        EXPECT_EQ(Next(), c.expected);
        EXPECT_EQ(Next(), u"next");
    }
}

TEST_F(Stream, LinesAndCharactersAcrossBufferRefills) {
    // A line far longer than the 512-byte buffer, then a short one.
    const std::string strLong(300000, 'x');
    OpenBytes(strLong + "\r\nshort\n", KTX::PLXCharsetGB18030, 512);
    EXPECT_EQ(Next(), std::u16string(strLong.size(), u'x'));
    EXPECT_EQ(m_file.GetPosition(), static_cast<std::int64_t>(strLong.size()) + 2);
    EXPECT_EQ(Next(), u"short");
    EXPECT_EQ(At(0).size(), strLong.size());
    // The "\r" is the last byte of a fill and the "\n" the first of the next.
    OpenBytes(std::string(511, 'a') + "\r\nb\r\n", KTX::PLXCharsetUTF8, 512);
    EXPECT_EQ(Next(), std::u16string(511, u'a'));
    EXPECT_EQ(m_file.GetPosition(), 513);
    EXPECT_EQ(Next(), u"b");
    // A GBK pair straddles the boundary.
    OpenBytes(std::string(511, 'a') + "\xD6\xD0\n", KTX::PLXCharsetGBK, 512);
    EXPECT_EQ(Next(), std::u16string(511, u'a') + u"\u4E2D");
}

// Lines of varying length, some longer than the buffer, mixed line ends; every remembered
// position brings back its line whatever was read in between.
TEST_F(Stream, RememberedPositionsBringBackTheirLines) {
    std::string bytes;
    std::vector<std::u16string> expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string line =
            std::to_string(i) + "," + std::string((i * 37) % 700, 'a' + i % 26);
        expected.push_back(PlxUnicodeString::FromUtf8(line).Str());
        bytes += line + (i % 3 == 0 ? "\r\n" : "\n");
    }
    OpenBytes(bytes, KTX::PLXCharsetDefault, 512);
    std::vector<std::int64_t> pos;
    for (const std::u16string& line : expected) {
        pos.push_back(m_file.GetPosition());
        ASSERT_EQ(Next(), line);
    }
    ExpectEnd();
    for (size_t k = 0; k < expected.size(); ++k) {
        const size_t i = (k * 1237) % expected.size();  // every index once, scattered
        ASSERT_EQ(At(pos[i]), expected[i]) << i;
    }
    // As the area and network readers do: eight places far apart, more than the stream keeps
    // windows for, visited in turns, each read onward.
    for (size_t nTurn = 0; nTurn < 300; ++nTurn) {
        for (size_t i = nTurn; i < expected.size(); i += 375)
            ASSERT_EQ(At(pos[i]), expected[i]) << i;
    }
}

// The arc cache tells files apart by their opening's serial.
TEST_F(Stream, EveryOpeningHasItsOwnSerialAndAFailedOneCloses) {
    EXPECT_EQ(m_file.GetOpenSerial(), 0u);
    OpenBytes("a\n");
    const std::uint64_t nFirst = m_file.GetOpenSerial();
    OpenBytes("b\n");
    EXPECT_NE(nFirst, 0u);
    EXPECT_NE(m_file.GetOpenSerial(), nFirst);
    EXPECT_EQ(Next(), u"b");
    EXPECT_FALSE(m_file.Open(PlxUnicodeString::FromUtf8(m_dir.Path()), KTX::KTFILE_READ, 8192,
                             KTX::PLXCharsetUTF8));
    EXPECT_FALSE(m_file.IsOpen());
    EXPECT_EQ(m_file.GetOpenSerial(), 0u);
    EXPECT_FALSE(m_file.Open(u"/no/such/file.wal", KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8));
    PlxUnicodeString s;
    EXPECT_FALSE(m_file.ReadLine(s));
    // Paths are UTF-8 on disk.
    m_dir.Write("\xE5\x9C\xB0\xE5\x9B\xBE.wal", "ok\n");
    ASSERT_TRUE(m_file.Open(PlxUnicodeString::FromUtf8(m_dir.Path()) + u"/\u5730\u56FE.wal",
                            KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8));
    EXPECT_EQ(Next(), u"ok");
}

}  // namespace
