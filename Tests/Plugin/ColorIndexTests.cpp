// The colour index file and its CMYK percentages as RGB: with t = 1 - K, every channel is
// (1 - (t * ink + K)) * 255 in single precision, truncated and clamped to a byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "KtReadMAPGISFile.h"
#include "PluginTestSupport.h"

namespace {

using KTX::KtReadMAPGISFile;
using KTX::PLXRGB;

// Every record line: 16 fields, the fifth the quoted "label:number" or "label=percent".
std::string Line(const std::string& strValue) {
    return "0,0,0,0,\"" + strValue + "\",0,0,0,0,0,0,0,0,0,0,0\n";
}

class ColorIndex : public ::testing::Test {
protected:
    ~ColorIndex() override { KtReadMAPGISFile::ReleaseSharedTables(); }
    int Load(const std::string& strPath) {
        KtReadMAPGISFile reader;
        return reader.LoadColorData(pt::U(strPath), KTX::PLXCharsetUTF8);
    }
    int LoadText(const std::string& strText) { return Load(dir.Write("c.clr", strText)); }
    // The packed colour of a number, -1 when the table lacks it.
    static std::int64_t Color(int nColor) {
        std::int64_t nValue = -1;
        KtReadMAPGISFile::FindColorByID(nColor, nValue);
        return nValue;
    }
    testfiles::TempDir dir;
};

TEST_F(ColorIndex, CmykToRgb) {
    // Pure red, half cyan, full black and no ink are in the example file.
    ASSERT_EQ(
        LoadText(pt::ColorFile(
            {{12, 40, 0, 0, 50}, {15, 500, 0, 0, 150}, {16, 200, 0, 0, -1}, {18, 0, 0, 100, 0}})),
        4);
    // t = 0.5: red (1 - (0.2 + 0.5)) * 255 = 76.5, green and blue (1 - 0.5) * 255 = 127.5.
    EXPECT_EQ(Color(12), PLXRGB(76, 127, 127));
    // t = -0.5: red (1 - (-2.5 + 1.5)) * 255 = 510, green and blue -127.5.
    EXPECT_EQ(Color(15), PLXRGB(255, 0, 0));
    // Black -1 is read unsigned, k = 42949672.95: red about 1.1e10, beyond 2^31, reads 0.
    EXPECT_EQ(Color(16), PLXRGB(0, 0, 0));
    EXPECT_EQ(Color(18), PLXRGB(255, 255, 0));
    // Numbers missing below, between and above the listed ones leave the caller's value.
    for (int nMissing : {9, 17, 19, -10}) {
        std::int64_t nValue = 0x123456789;
        EXPECT_FALSE(KtReadMAPGISFile::FindColorByID(nMissing, nValue)) << nMissing;
        EXPECT_EQ(nValue, 0x123456789);
    }
}

TEST_F(ColorIndex, MalformedLinesAreSkippedOrKeepTheirDefaults) {
    // Lines of 15 or 17 fields, without ":" or unenclosed start no record; a malformed
    // magenta line leaves magenta 0 and still counts as its line; a malformed black line
    // keeps black's default, 100; a record cut short by the file's end keeps the rest.
    const std::string strText =
        "table\n3\n0,0,0,\"No:8\",0,0,0,0,0,0,0,0,0,0,0\n0,0,0,0,0,\"No:9\",0,0,0,0,0,0,0,0,0,0,"
        "0\n" +
        Line("No=6") + "0,0,0,0,C,0,0,0,0,0,0,0,0,0,0,0\n" + Line("No:2") + Line("K=0") +
        Line("C=0") + "0,0,0,\"M=100\",0,0,0,0,0,0,0,0,0,0,0\n" + Line("Y=100") + "stray text\n" +
        Line("No:3") + Line("K:0") + Line("C=0") + Line("M=0") + Line("Y=0") + Line("No:4") +
        Line("K=0") + Line("C=100");
    ASSERT_EQ(LoadText(strText), 3);
    EXPECT_EQ(Color(2), PLXRGB(255, 255, 0));
    EXPECT_EQ(Color(3), PLXRGB(0, 0, 0));
    EXPECT_EQ(Color(4), PLXRGB(0, 255, 255));
    for (int nMissing : {6, 8, 9})
        EXPECT_EQ(Color(nMissing), -1) << nMissing;
}

TEST_F(ColorIndex, ExampleFileReloadedOrEmptied) {
    const std::string strExamples = testfiles::DataFile("color/cmyk-examples.clr");
    ASSERT_EQ(Load(strExamples), 6);
    EXPECT_EQ(LoadText("table\n7\n"), 7);  // header only
    EXPECT_EQ(Color(1), -1);
    ASSERT_EQ(Load(strExamples), 6);
    EXPECT_EQ(Load(dir.Path() + "/absent.clr"), 0);
    EXPECT_EQ(Color(1), -1);
    // One reader loads again from the start of the file.
    KtReadMAPGISFile reader;
    EXPECT_EQ(reader.LoadColorData(pt::U(strExamples), KTX::PLXCharsetUTF8), 6);
    EXPECT_EQ(reader.LoadColorData(pt::U(strExamples), KTX::PLXCharsetUTF8), 6);
    EXPECT_EQ(Color(1), PLXRGB(255, 0, 0));
    EXPECT_EQ(Color(2), PLXRGB(127, 255, 255));  // 127.5 truncated
    EXPECT_EQ(Color(3), PLXRGB(178, 255, 255));  // 0.7 * 255 = 178.5 truncated
    EXPECT_EQ(Color(4), PLXRGB(0, 0, 0));        // full black hides every other ink
    EXPECT_EQ(Color(5), PLXRGB(255, 255, 255));  // (0,0,0,0), not the later (0,100,0,0)
}

}  // namespace
