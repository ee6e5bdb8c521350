// The pieces every reader shares: fields located in place (checked against Split and the
// number conversions), the bound gathered from them, the pool of index records, the style table.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "KtBoundBuilder.h"
#include "KtFieldSpans.h"
#include "KtIndexRecordPool.h"
#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "PluginTestSupport.h"

using KTX::KtFieldSpans;
using KTX::PlxUnicodeString;
using KTX::tagArcIndex;
using KTX::tagFileIndex;

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

// Points fed as text give the very bound that converting every coordinate gives, however
// close to the bound gathered so far they fall, and in whatever form of number.
TEST(BoundBuilder, SkippingInnerCoordinatesGivesTheSameBound) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> whole(-60, 60);
    std::uniform_int_distribution<int> frac(0, 999);
    std::uniform_int_distribution<int> form(0, 5);
    // Whole numbers, decimals, fractions of either sign, a form not plain ("e0") and so
    // converted in full, and decimals next to a whole number.
    auto field = [&]() {
        const std::string w = std::to_string(whole(rng)), f = std::to_string(frac(rng));
        const std::string forms[] = {w,        w + "." + f,   (w[0] == '-' ? "-0." : "0.") + f,
                                     w + "e0", w + ".999999", w + ".000001"};
        return forms[form(rng)];
    };
    KTX::KtBoundBuilder fromText, fromValues;
    for (int i = 0; i < 5000; ++i) {
        const std::string strLine = field() + "," + field();
        const PlxUnicodeString str = pt::U(strLine);
        const KtFieldSpans fields(str);
        fromText.Add(fields);
        fromValues.Add(fields.ToDouble(0), fields.ToDouble(1));
        ASSERT_EQ(pt::Bound(fromText.GetRect()), pt::Bound(fromValues.GetRect())) << strLine;
    }
}

// Larger than any pooled record: taken from the general allocator.
struct LargeRecord : public tagFileIndex {
    unsigned char bytes[KTX::indexpool::kMaxPooledSize] = {};
};
static_assert(!KTX::indexpool::IsPooled(sizeof(LargeRecord)), "a record beyond the pools");

TEST(IndexPool, RecordsOfEverySizeKeepTheirOwnPlaces) {
    // Records of every size interleaved across many blocks, a third freed and replaced by
    // others: a place handed out twice, or to the wrong size, shows as an overwritten value.
    std::vector<std::unique_ptr<tagFileIndex>> records;
    for (int i = 0; i < 12000; ++i) {
        tagFileIndex* const kinds[] = {new tagFileIndex,     new tagArcIndex,
                                       new KTX::tagWapIndex, new KTX::tagWanPointIndex,
                                       new KTX::tagWanIndex, new LargeRecord};
        for (int k = 0; k < 6; ++k) {
            if (k == i % 6)
                records.emplace_back(kinds[k]);
            else
                delete kinds[k];
        }
        records.back()->nItemID = i;
        records.back()->nFilePos = -i;
    }
    for (size_t i = 0; i < records.size(); i += 3) {
        records[i].reset(i % 2 == 0 ? records[i]->Clone() : new (std::nothrow) tagArcIndex);
        records[i]->nItemID = static_cast<int>(i);
        records[i]->nFilePos = -static_cast<int>(i);
    }
    for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(records[i]->nItemID, static_cast<int>(i));
        ASSERT_EQ(records[i]->nFilePos, -static_cast<int>(i));
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
