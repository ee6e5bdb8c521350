// The colour index file and the conversion of its CMYK percentages to RGB.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ColorIndexFileText.h"
#include "KtReadMAPGISFile.h"
#include "TestFiles.h"

namespace {

using KTX::KtReadMAPGISFile;
using KTX::PLXRGB;
using KTX::PlxUnicodeString;
using KTX::tagColorIndex;

// Reads the process-wide colour table.
class ColorTable : public KtReadMAPGISFile {
public:
    static int Count() { return m_ArrColorIndex.GetSize(); }
    static const tagColorIndex& At(int i) { return m_ArrColorIndex[i]; }
};

int Load(const std::string& strPath) {
    KtReadMAPGISFile reader;
    return reader.LoadColorData(PlxUnicodeString::FromUtf8(strPath), KTX::PLXCharsetUTF8);
}

// The packed colour of a number, or -1 when the table lacks it.
std::int64_t Color(int nColor) {
    std::int64_t nValue = -1;
    KtReadMAPGISFile::FindColorByID(nColor, nValue);
    return nValue;
}

class ColorIndex : public ::testing::Test {
protected:
    int LoadText(const std::string& strText) { return Load(dir.Write("colours.clr", strText)); }
    testfiles::TempDir dir;
};

TEST_F(ColorIndex, ExampleFileConvertsToRgb) {
    EXPECT_EQ(Load(testfiles::DataFile("color/cmyk-examples.clr")), 6);
    EXPECT_EQ(ColorTable::Count(), 6);
    EXPECT_EQ(Color(1), PLXRGB(255, 0, 0));
    EXPECT_EQ(Color(2), PLXRGB(127, 255, 255));  // 127.5 truncated
    EXPECT_EQ(Color(3), PLXRGB(178, 255, 255));  // 0.7 * 255 = 178.5 truncated
    EXPECT_EQ(Color(4), PLXRGB(0, 0, 0));        // full black hides every other ink
    // Duplicates stay in the table, but the first one answers.
    EXPECT_EQ(ColorTable::At(4).nItemID, 5);
    EXPECT_EQ(ColorTable::At(5).nItemID, 5);
    EXPECT_EQ(Color(5), PLXRGB(255, 255, 255));
}

TEST_F(ColorIndex, EveryNumberOfALargeTableFindsItsFirstRecord) {
    // 300 colours in no order of their numbers (37 * i modulo 1000, all different), even
    // ones white, odd ones cyan; then every tenth number once more, in black.
    std::string strText = colorfile::Header(330);
    for (int i = 0; i < 300; ++i)
        strText += colorfile::Record(37 * i % 1000, i % 2 == 0 ? 0 : 100, 0, 0, 0);
    for (int i = 0; i < 300; i += 10)
        strText += colorfile::Record(37 * i % 1000, 0, 0, 0, 100);
    ASSERT_EQ(LoadText(strText), 330);
    ASSERT_EQ(ColorTable::Count(), 330);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(Color(37 * i % 1000), i % 2 == 0 ? PLXRGB(255, 255, 255) : PLXRGB(0, 255, 255))
            << i;
    }
    EXPECT_EQ(Color(1), -1);  // 37 * i modulo 1000 is 1 only for i = 973
    EXPECT_EQ(Color(-37), -1);
    // A table loaded anew answers from its own records only.
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Record(37, 0, 0, 0, 100)), 1);
    EXPECT_EQ(Color(37), PLXRGB(0, 0, 0));
    EXPECT_EQ(Color(0), -1);
}

TEST_F(ColorIndex, RecordFieldsInFileOrder) {
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Record(12, 11, 22, 33, 44)), 1);
    ASSERT_EQ(ColorTable::Count(), 1);
    const tagColorIndex& entry = ColorTable::At(0);
    EXPECT_EQ(entry.nItemID, 12);
    EXPECT_EQ(entry.nFilePos, 0);
    EXPECT_EQ(entry.nCyan, 11u);
    EXPECT_EQ(entry.nMagenta, 22u);
    EXPECT_EQ(entry.nYellow, 33u);
    EXPECT_EQ(entry.nBlack, 44u);
}

TEST_F(ColorIndex, HeaderOnlyGivesEmptyTableAndHeaderCount) {
    EXPECT_EQ(LoadText(colorfile::Header(7)), 7);
    EXPECT_EQ(ColorTable::Count(), 0);
    EXPECT_EQ(Color(1), -1);
}

TEST_F(ColorIndex, MissingFileEmptiesTheTable) {
    ASSERT_EQ(Load(testfiles::DataFile("color/cmyk-examples.clr")), 6);
    EXPECT_EQ(Load(dir.Path() + "/absent.clr"), 0);
    EXPECT_EQ(ColorTable::Count(), 0);
    EXPECT_EQ(Color(1), -1);
    ASSERT_EQ(Load(testfiles::DataFile("color/cmyk-examples.clr")), 6);
    EXPECT_EQ(Load(""), 0);
    EXPECT_EQ(ColorTable::Count(), 0);
}

TEST_F(ColorIndex, LinesThatStartNoRecordAreSkippedOneByOne) {
    const std::string strFifteen = "0,0,0,\"Color:8\",0,0,0,0,0,0,0,0,0,0,0\n";
    const std::string strSeventeen = "0,0,0,0,0,\"Color:9\",0,0,0,0,0,0,0,0,0,0,0\n";
    const std::string strNoColon = colorfile::Line("Color=6");
    const std::string strUnenclosed = "0,0,0,0,C,0,0,0,0,0,0,0,0,0,0,0\n";
    ASSERT_EQ(LoadText(colorfile::Header(3) + strFifteen + strSeventeen + strNoColon +
                       strUnenclosed + colorfile::Record(3, 0, 100, 100, 0) + "stray text\n" +
                       colorfile::Record(4, 50, 0, 0, 0)),
              3);
    ASSERT_EQ(ColorTable::Count(), 2);
    EXPECT_EQ(Color(3), PLXRGB(255, 0, 0));
    EXPECT_EQ(Color(4), PLXRGB(127, 255, 255));
    EXPECT_EQ(Color(8), -1);
    EXPECT_EQ(Color(9), -1);
    EXPECT_EQ(Color(6), -1);
}

TEST_F(ColorIndex, MalformedValueLinesStillCountAsTheirLine) {
    // The magenta line has 15 fields: magenta stays 0, and the next line is still yellow.
    const std::string strRecord =
        colorfile::Line("Color:2") + colorfile::Line("Black=0") + colorfile::Line("Cyan=0") +
        "0,0,0,\"Magenta=100\",0,0,0,0,0,0,0,0,0,0,0\n" + colorfile::Line("Yellow=100");
    ASSERT_EQ(LoadText(colorfile::Header(1) + strRecord + colorfile::Record(5, 0, 0, 100, 0)), 1);
    ASSERT_EQ(ColorTable::Count(), 2);
    EXPECT_EQ(ColorTable::At(0).nMagenta, 0u);
    EXPECT_EQ(ColorTable::At(0).nYellow, 100u);
    EXPECT_EQ(Color(2), PLXRGB(255, 255, 0));
    EXPECT_EQ(Color(5), PLXRGB(255, 255, 0));
}

TEST_F(ColorIndex, MalformedBlackLineComesOutBlack) {
    const std::string strRecord = colorfile::Line("Color:2") + colorfile::Line("Black:0") +
                                  colorfile::Line("Cyan=0") + colorfile::Line("Magenta=0") +
                                  colorfile::Line("Yellow=0");
    ASSERT_EQ(LoadText(colorfile::Header(1) + strRecord), 1);
    ASSERT_EQ(ColorTable::Count(), 1);
    EXPECT_EQ(ColorTable::At(0).nBlack, 100u);
    EXPECT_EQ(Color(2), PLXRGB(0, 0, 0));
}

TEST_F(ColorIndex, RecordCutShortByTheEndOfTheFileKeepsDefaults) {
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Line("Color:2") +
                       colorfile::Line("Black=0") + colorfile::Line("Cyan=100")),
              1);
    ASSERT_EQ(ColorTable::Count(), 1);
    EXPECT_EQ(Color(2), PLXRGB(0, 255, 255));
}

TEST_F(ColorIndex, MissingNumberLeavesTheCallersValue) {
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Record(1, 0, 0, 0, 0)), 1);
    std::int64_t nValue = 0x123456789;
    EXPECT_FALSE(KtReadMAPGISFile::FindColorByID(2, nValue));
    EXPECT_EQ(nValue, 0x123456789);
    EXPECT_TRUE(KtReadMAPGISFile::FindColorByID(1, nValue));
    EXPECT_EQ(nValue, PLXRGB(255, 255, 255));
}

TEST_F(ColorIndex, ChannelsOutsideAByteAreClamped) {
    // (C, M, Y, K) = (500, 0, 0, 150): t = -0.5; red = (1 - (-2.5 + 1.5)) * 255 = 510,
    // green and blue = (1 - 1.5) * 255 = -127.5.
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Record(1, 500, 0, 0, 150)), 1);
    EXPECT_EQ(Color(1), PLXRGB(255, 0, 0));
}

TEST_F(ColorIndex, ChannelsBeyondTheIntegerRangeComeOutZero) {
    // Black -1 is read unsigned: k = 42949672.95. With cyan 200 red becomes about
    // (1 + k - 2) * 255 = 1.1e10, beyond 2^31, so it reads 0 rather than 255; green and
    // blue, (1 - k) * 255, are far below 0.
    ASSERT_EQ(LoadText(colorfile::Header(1) + colorfile::Record(1, 200, 0, 0, -1)), 1);
    EXPECT_EQ(ColorTable::At(0).nBlack, 4294967295u);
    EXPECT_EQ(Color(1), PLXRGB(0, 0, 0));
}

TEST_F(ColorIndex, LoadingReleasesTheReadersStream) {
    KtReadMAPGISFile reader;
    const PlxUnicodeString strPath =
        PlxUnicodeString::FromUtf8(testfiles::DataFile("color/cmyk-examples.clr"));
    EXPECT_EQ(reader.LoadColorData(strPath, KTX::PLXCharsetUTF8), 6);
    // The same reader loads again from the start of the file.
    EXPECT_EQ(reader.LoadColorData(strPath, KTX::PLXCharsetUTF8), 6);
    EXPECT_EQ(ColorTable::Count(), 6);
}

}  // namespace
