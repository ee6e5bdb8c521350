// KtFileStdio: line ends, byte positions, charsets and the awkward files a reader meets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "KtFileStdio.h"
#include "TestFiles.h"

using KTX::KtFileStdio;
using KTX::PLXCharset;
using KTX::PlxUnicodeString;

namespace {

class StreamRead : public ::testing::Test {
protected:
    // Writes the bytes to a file and opens it; fails the test when that does not work.
    void OpenBytes(const std::string& bytes, PLXCharset eCharset = KTX::PLXCharsetUTF8,
                   int nBuffer = 8192) {
        m_strPath = m_dir.Write("t.txt", bytes);
        ASSERT_TRUE(m_file.Open(PlxUnicodeString::FromUtf8(m_strPath), KTX::KTFILE_READ, nBuffer,
                                eCharset));
    }
    std::u16string Next() {
        PlxUnicodeString s;
        EXPECT_TRUE(m_file.ReadLine(s));
        return s.Str();
    }
    void ExpectEnd() {
        EXPECT_TRUE(m_file.IsEOF());
        PlxUnicodeString s(u"not cleared");
        EXPECT_FALSE(m_file.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
    }

    testfiles::TempDir m_dir;
    std::string m_strPath;
    KtFileStdio m_file;
};

TEST_F(StreamRead, CrLfLinesAndTheirByteOffsets) {
    // Offsets: "AB" 0, "CDE" 4, "" 9, "F" 11; twelve bytes in all.
    OpenBytes("AB\r\nCDE\r\n\r\nF");
    EXPECT_EQ(m_file.GetLength(), 12);
    std::vector<std::int64_t> pos;
    std::vector<std::u16string> lines;
    while (!m_file.IsEOF()) {
        pos.push_back(m_file.GetPosition());
        lines.push_back(Next());
    }
    EXPECT_EQ(pos, (std::vector<std::int64_t>{0, 4, 9, 11}));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"AB", u"CDE", u"", u"F"}));
    EXPECT_EQ(m_file.GetPosition(), 12);
    ExpectEnd();

    // Back to remembered lines, in any order, after reading others.
    ASSERT_TRUE(m_file.SetPosition(4, KTX::KTFILE_BEGIN));
    EXPECT_FALSE(m_file.IsEOF());
    EXPECT_EQ(Next(), u"CDE");
    ASSERT_TRUE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
    EXPECT_EQ(Next(), u"AB");
    EXPECT_EQ(Next(), u"CDE");
    ASSERT_TRUE(m_file.SetPosition(11, KTX::KTFILE_BEGIN));
    EXPECT_EQ(Next(), u"F");
    ExpectEnd();
}

TEST_F(StreamRead, EveryOpeningHasANumberOfItsOwn) {
    EXPECT_EQ(m_file.GetOpenSerial(), 0u);
    OpenBytes("a\n");
    const std::uint64_t nFirst = m_file.GetOpenSerial();
    EXPECT_NE(nFirst, 0u);
    // Opening the same file again, on this stream or another, is another opening.
    KtFileStdio other;
    ASSERT_TRUE(other.Open(PlxUnicodeString::FromUtf8(m_strPath), KTX::KTFILE_READ, 8192,
                           KTX::PLXCharsetUTF8));
    EXPECT_NE(other.GetOpenSerial(), nFirst);
    OpenBytes("b\n");
    EXPECT_NE(m_file.GetOpenSerial(), nFirst);
    EXPECT_NE(m_file.GetOpenSerial(), other.GetOpenSerial());
    m_file.Close();
    EXPECT_EQ(m_file.GetOpenSerial(), 0u);
}

TEST_F(StreamRead, LoneCarriageReturnStaysInTheText) {
    OpenBytes("a\rb\nc\r\r\n\r");
    EXPECT_EQ(Next(), u"a\rb");
    EXPECT_EQ(Next(), u"c\r");
    EXPECT_EQ(Next(), u"\r");
    ExpectEnd();
}

TEST_F(StreamRead, GbkTextWithPositions) {
    // "中文" in GBK is D6 D0 CE C4; the second line starts after 4 + 3 + 2 bytes.
    const std::string bytes = "\xD6\xD0\xCE\xC4,12\r\nx,\xD6\xD0\n";
    for (PLXCharset e : {KTX::PLXCharsetGBK, KTX::PLXCharsetGB18030, KTX::PLXCharsetDefault}) {
        SCOPED_TRACE(static_cast<int>(e));
        OpenBytes(bytes, e);
        EXPECT_EQ(Next(), u"\u4E2D\u6587,12");
        EXPECT_EQ(m_file.GetPosition(), 9);
        EXPECT_EQ(Next(), u"x,\u4E2D");
        ExpectEnd();
        ASSERT_TRUE(m_file.SetPosition(9, KTX::KTFILE_BEGIN));
        EXPECT_EQ(Next(), u"x,\u4E2D");
        ASSERT_TRUE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
        EXPECT_EQ(Next(), u"\u4E2D\u6587,12");
    }
}

TEST_F(StreamRead, Gb18030FourByteSequences) {
    // 81 30 81 30 is U+0080, the first four-byte code; 90 30 81 30 is U+10000, the first
    // code beyond the basic plane, which takes a surrogate pair.
    OpenBytes("\x81\x30\x81\x30|\x90\x30\x81\x30\n", KTX::PLXCharsetGB18030);
    EXPECT_EQ(Next(), u"\u0080|\U00010000");
}

TEST_F(StreamRead, InvalidGbkBytesAreReplacedNotDropped) {
    // 0xFF never starts a GBK character; 81 7F is a lead byte with a second byte no pair
    // uses, so only the lead byte is replaced; D6 at the end of a line lacks its partner.
    OpenBytes(
        "a\xFF"
        "b\x81\x7F"
        "c\xD6\xD0\n\xD6\nz\n",
        KTX::PLXCharsetGBK);
    EXPECT_EQ(Next(), u"a\uFFFDb\uFFFD\u007Fc\u4E2D");
    EXPECT_EQ(Next(), u"\uFFFD");
    EXPECT_EQ(Next(), u"z");
    ExpectEnd();
}

TEST_F(StreamRead, InvalidGb18030BytesAreReplacedNotDropped) {
    // 0xFF is no GB18030 byte; 81 30 starts a four-byte code that the line cuts short.
    OpenBytes("\xFF\xD6\xD0\xFF\n\x81\x30\n", KTX::PLXCharsetGB18030);
    EXPECT_EQ(Next(), u"\uFFFD\u4E2D\uFFFD");
    EXPECT_EQ(Next(), u"\uFFFD0");
    ExpectEnd();
}

TEST_F(StreamRead, InvalidUtf8BytesAreReplacedNotDropped) {
    OpenBytes("a\xC3(b\xE4\xB8\xAD\xFF\nend");
    EXPECT_EQ(Next(), u"a\uFFFD(b\u4E2D\uFFFD");
    EXPECT_EQ(Next(), u"end");
    ExpectEnd();
}

TEST_F(StreamRead, NulBytesAreKept) {
    OpenBytes(std::string("a\0b\n\0\n", 6));
    EXPECT_EQ(Next(), std::u16string(u"a\0b", 3));
    EXPECT_EQ(Next(), std::u16string(1, u'\0'));
    ExpectEnd();
}

TEST_F(StreamRead, FileWithoutFinalNewline) {
    OpenBytes("first\nlast");
    EXPECT_EQ(Next(), u"first");
    EXPECT_FALSE(m_file.IsEOF());
    EXPECT_EQ(Next(), u"last");
    ExpectEnd();
}

TEST_F(StreamRead, EmptyFile) {
    OpenBytes("");
    EXPECT_EQ(m_file.GetLength(), 0);
    EXPECT_EQ(m_file.GetPosition(), 0);
    ExpectEnd();
    EXPECT_TRUE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
    EXPECT_FALSE(m_file.SetPosition(1, KTX::KTFILE_BEGIN));
}

TEST_F(StreamRead, Utf8ByteOrderMarkIsSkipped) {
    OpenBytes("\xEF\xBB\xBFhead\nx\n");
    EXPECT_EQ(Next(), u"head");
    EXPECT_EQ(m_file.GetPosition(), 8);
    EXPECT_EQ(Next(), u"x");
    // Returning to the very start still skips the mark.
    ASSERT_TRUE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
    EXPECT_EQ(Next(), u"head");
}

TEST_F(StreamRead, ByteOrderMarkAloneIsAnEmptyFile) {
    OpenBytes("\xEF\xBB\xBF", KTX::PLXCharsetGB18030);
    ExpectEnd();
}

TEST_F(StreamRead, LinesLongerThanTheBuffer) {
    // A 10 MB line through a 512-byte buffer, then a short one.
    const std::string strLong(10 * 1024 * 1024, 'x');
    OpenBytes(strLong + "\r\nshort\n", KTX::PLXCharsetGB18030, 512);
    const std::u16string first = Next();
    EXPECT_EQ(first.size(), strLong.size());
    EXPECT_EQ(first.find_first_not_of(u'x'), std::u16string::npos);
    const std::int64_t nSecond = m_file.GetPosition();
    EXPECT_EQ(nSecond, static_cast<std::int64_t>(strLong.size()) + 2);
    EXPECT_EQ(Next(), u"short");
    ExpectEnd();
    ASSERT_TRUE(m_file.SetPosition(nSecond, KTX::KTFILE_BEGIN));
    EXPECT_EQ(Next(), u"short");
    ASSERT_TRUE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
    EXPECT_EQ(Next().size(), strLong.size());
}

TEST_F(StreamRead, LineEndSplitAcrossBufferRefills) {
    // With the smallest buffer (512 bytes) the "\r" is its last byte and the "\n" the first
    // byte of the next fill.
    const std::string strFirst(511, 'a');
    OpenBytes(strFirst + "\r\nb\r\n", KTX::PLXCharsetUTF8, 1);
    EXPECT_EQ(Next(), std::u16string(511, u'a'));
    EXPECT_EQ(m_file.GetPosition(), 513);
    EXPECT_EQ(Next(), u"b");
    ExpectEnd();
}

TEST_F(StreamRead, MultiByteCharacterSplitAcrossBufferRefills) {
    // The GBK pair D6 D0 straddles the 512-byte boundary.
    const std::string strFirst(511, 'a');
    OpenBytes(strFirst + "\xD6\xD0\n", KTX::PLXCharsetGBK, 512);
    EXPECT_EQ(Next(), std::u16string(511, u'a') + u"\u4E2D");
}

TEST_F(StreamRead, PositionsRoundTripAcrossAManyLineFile) {
    // Lines of varying length, some longer than the buffer; every remembered position must
    // bring back its own line whatever was read in between.
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string line = std::to_string(i) + "," + std::string((i * 37) % 700, 'a' + i % 26);
        expected.push_back(line);
        bytes += line + (i % 3 == 0 ? "\r\n" : "\n");
    }
    OpenBytes(bytes, KTX::PLXCharsetDefault, 512);
    std::vector<std::int64_t> pos;
    for (size_t i = 0; i < expected.size(); ++i) {
        pos.push_back(m_file.GetPosition());
        ASSERT_EQ(Next(), PlxUnicodeString::FromUtf8(expected[i]).Str());
    }
    ExpectEnd();
    for (size_t k = 0; k < expected.size(); ++k) {
        const size_t i = (k * 1237) % expected.size();  // every index once, scattered
        ASSERT_TRUE(m_file.SetPosition(pos[i], KTX::KTFILE_BEGIN));
        ASSERT_EQ(Next(), PlxUnicodeString::FromUtf8(expected[i]).Str()) << i;
    }
}

TEST_F(StreamRead, FileThatShrinksWhileOpenStillReachesItsEnd) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += std::to_string(i) + "\n";
    OpenBytes(bytes, KTX::PLXCharsetUTF8, 512);
    EXPECT_EQ(Next(), u"0");
    ASSERT_EQ(truncate(m_strPath.c_str(), 100), 0);
    int nLines = 0;
    PlxUnicodeString s;
    while (!m_file.IsEOF() && nLines < 10000) {
        m_file.ReadLine(s);
        ++nLines;
    }
    EXPECT_TRUE(m_file.IsEOF());
    EXPECT_LT(nLines, 5000);
    EXPECT_FALSE(m_file.ReadLine(s));
}

TEST_F(StreamRead, SetPositionOutsideTheFileFailsAndKeepsThePosition) {
    OpenBytes("abc\ndef\n");
    Next();
    EXPECT_FALSE(m_file.SetPosition(-1, KTX::KTFILE_BEGIN));
    EXPECT_FALSE(m_file.SetPosition(9, KTX::KTFILE_BEGIN));
    EXPECT_FALSE(m_file.SetPosition(5, KTX::KTFILE_CURRENT));
    EXPECT_FALSE(m_file.SetPosition(1, KTX::KTFILE_END));
    EXPECT_FALSE(m_file.SetPosition(INT64_MAX, KTX::KTFILE_CURRENT));
    EXPECT_FALSE(m_file.SetPosition(0, 7));
    EXPECT_EQ(m_file.GetPosition(), 4);
    EXPECT_EQ(Next(), u"def");

    EXPECT_TRUE(m_file.SetPosition(-4, KTX::KTFILE_END));
    EXPECT_EQ(Next(), u"def");
    EXPECT_TRUE(m_file.SetPosition(-8, KTX::KTFILE_CURRENT));
    EXPECT_EQ(Next(), u"abc");
    EXPECT_TRUE(m_file.SetPosition(8, KTX::KTFILE_BEGIN));
    ExpectEnd();
}

TEST_F(StreamRead, ReopeningReplacesTheFile) {
    OpenBytes("one\n");
    const std::string strOther = m_dir.Write("other.txt", "two\n");
    ASSERT_TRUE(m_file.Open(PlxUnicodeString::FromUtf8(strOther), KTX::KTFILE_READ, 8192,
                            KTX::PLXCharsetUTF8));
    EXPECT_EQ(m_file.GetPathName().ToUtf8(), strOther);
    EXPECT_EQ(Next(), u"two");
    m_file.Close();
    EXPECT_FALSE(m_file.IsOpen());
    PlxUnicodeString s;
    EXPECT_FALSE(m_file.ReadLine(s));
    EXPECT_TRUE(m_file.IsEOF());
    EXPECT_FALSE(m_file.SetPosition(0, KTX::KTFILE_BEGIN));
}

TEST(StreamOpen, RefusesWhatItCannotRead) {
    testfiles::TempDir dir;
    const std::string strFile = dir.Write("a.wal", "x\n");
    KtFileStdio file;
    const auto open = [&](const std::string& path, int nDirection, int eCharset) {
        return file.Open(PlxUnicodeString::FromUtf8(path), nDirection, 8192,
                         static_cast<PLXCharset>(eCharset));
    };
    EXPECT_FALSE(open(dir.Path(), KTX::KTFILE_READ, KTX::PLXCharsetUTF8));
    EXPECT_FALSE(open(dir.Path() + "/missing.wal", KTX::KTFILE_READ, KTX::PLXCharsetUTF8));
    EXPECT_FALSE(open("", KTX::KTFILE_READ, KTX::PLXCharsetUTF8));
    EXPECT_FALSE(open(strFile, KTX::KTFILE_WRITE, KTX::PLXCharsetUTF8));
    EXPECT_FALSE(open(strFile, KTX::KTFILE_READ, 0));
    EXPECT_FALSE(open(strFile, KTX::KTFILE_READ, 936));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(open(strFile, KTX::KTFILE_READ, KTX::PLXCharsetGB18030));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetCharset(), KTX::PLXCharsetGB18030);
    // A failed Open closes the stream that was open before.
    EXPECT_FALSE(open(dir.Path(), KTX::KTFILE_READ, KTX::PLXCharsetUTF8));
    EXPECT_FALSE(file.IsOpen());
}

TEST(StreamOpen, NonAsciiPathsAreUtf8OnDisk) {
    testfiles::TempDir dir;
    dir.Write("\xE5\x9C\xB0\xE5\x9B\xBE.wal", "ok\n");
    KtFileStdio file;
    ASSERT_TRUE(file.Open(
        PlxUnicodeString(u"") + PlxUnicodeString::FromUtf8(dir.Path()) + u"/\u5730\u56FE.wal",
        KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8));
    PlxUnicodeString s;
    EXPECT_TRUE(file.ReadLine(s));
    EXPECT_EQ(s.Str(), u"ok");
}

}  // namespace
