// The pieces every reader shares: fields located in place (checked against Split and the
// number conversions), the style table and the index records' storage.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KtFieldSpans.h"
#include "PluginTestSupport.h"
#include "tagFileIndex.h"

using KTX::KtFieldSpans;
using KTX::PlxUnicodeString;

namespace {

TEST(FieldSpans, AnswerAsSplitAndTheConversionsDo) {
    for (const char16_t* psz :
         {u"", u",", u",,", u"7", u"-3,", u",5", u"38512345.678901,3412345.678901",
          u" 12 , 4.5e2 ,x", u"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", u"\u4E2D,2,\"a,b\""}) {
        const PlxUnicodeString strLine(psz);
        SCOPED_TRACE(pt::Utf8(strLine));
        KTX::PlxArray<PlxUnicodeString> arrPieces;
        const int nPieces = strLine.Split(arrPieces, u",");
        KtFieldSpans fields(PlxUnicodeString(u"9,9,9,9"));
        fields.Reset(strLine);
        ASSERT_EQ(fields.GetCount(), nPieces);
        for (int i = 0; i < nPieces && i < KtFieldSpans::kMaxSpans; ++i) {
            EXPECT_EQ(fields.ToInt(i), KTX::ugatoi(arrPieces[i])) << i;
            EXPECT_EQ(fields.ToDouble(i), KTX::ugatof(arrPieces[i])) << i;
        }
    }
}

// A pre-read skips converting a coordinate whose integer part shows it inside the bound: only
// plain decimals of at most 15 integer digits give one, and it must be the truncated value.
TEST(FieldSpans, TruncateOnlyPlainDecimals) {
    const struct {
        const char16_t* pszField;
        bool bPlain;
        std::int64_t nTrunc;
    } cases[] = {{u"38512345.678901", true, 38512345},
                 {u"-3412345.9", true, -3412345},
                 {u"+12", true, 12},
                 {u"-.5", true, 0},
                 {u"7.", true, 7},
                 {u"123456789012345.5", true, 123456789012345},
                 {u"1234567890123456", false, 0},
                 {u"0000000000000001", false, 0},
                 {u"1.5e3", false, 0},
                 {u"12 ", false, 0},
                 {u"1234İ5", false, 0},
                 {u"１", false, 0},
                 {u".", false, 0},
                 {u"-", false, 0},
                 {u"1.2.3", false, 0}};
    for (const auto& c : cases) {
        const PlxUnicodeString strLine(c.pszField);
        SCOPED_TRACE(pt::Utf8(strLine));
        const KtFieldSpans fields(strLine);
        std::int64_t nTrunc = -99;
        ASSERT_EQ(fields.ToTruncated(0, nTrunc), c.bPlain);
        if (c.bPlain) {
            EXPECT_EQ(nTrunc, c.nTrunc);
        }
    }
}

// Enough records to fill the small blocks and several huge ones, twice over: a slot given
// out twice, or a block freed while records live in it, shows as a changed value.
TEST(IndexRecords, KeepTheirValuesAcrossBlocksAndWhenTakenAgain) {
    constexpr int kRecords = 400000;  // 6.4 MB of 16-byte records
    for (int nRound = 0; nRound < 2; ++nRound) {
        std::vector<std::unique_ptr<KTX::tagFileIndex>> records;
        for (int i = 0; i < kRecords; ++i)
            records.push_back(std::make_unique<KTX::tagFileIndex>(i, -i - nRound));
        for (int i = 0; i < kRecords; ++i) {
            ASSERT_EQ(records[i]->nItemID, i);
            ASSERT_EQ(records[i]->nFilePos, -i - nRound);
        }
    }
}

TEST(StyleTable, MapsNumbersUntilReplacedOrReleased) {
    KTX::KtReadMAPGISFile reader;
    using R = KTX::KtReadMAPGISFile;
    const auto load = [&](const char* pszName) {
        return reader.LoadStyleMapTable(
            pt::U(testfiles::DataFile(std::string("style/") + pszName)));
    };
    R::ReleaseSharedTables();
    EXPECT_EQ(R::FineLineStyleByID(7), 0);
    ASSERT_EQ(load("first.stt"), 1);
    EXPECT_EQ(R::FineLineStyleByID(7), 3);
    EXPECT_EQ(R::FineLineStyleByID(-3), 5);
    EXPECT_EQ(R::FineLineStyleByID(70), 0);
    EXPECT_EQ(R::FineFillStyleByID(7), 6);
    EXPECT_EQ(R::FineFillStyleByID(-3), 0);
    // Symbols are looked up in the custom symbols only.
    EXPECT_EQ(R::FineSymbolStyleByID(7), 9);
    EXPECT_EQ(R::FineSymbolStyleByID(8), 0);
    ASSERT_EQ(load("second.stt"), 1);
    EXPECT_EQ(R::FineLineStyleByID(7), 8);
    EXPECT_EQ(R::FineLineStyleByID(-3), 0);
    EXPECT_EQ(load("malformed.stt"), 0);
    EXPECT_EQ(R::FineLineStyleByID(7), 0);
    R::ReleaseSharedTables();
}

}  // namespace
