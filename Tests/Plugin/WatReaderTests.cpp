// Point file structure: the pre-read (record count, continued records, bounds), the type
// answer for the typed layers and the dispatch of records to the item readers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "KoGeometry/KtGeoText.h"
#include "KoGeometry/KtGeometry.h"
#include "WatTestSupport.h"

using testfiles::TempDir;
using wattest::ExpectRefusedLogs;
using wattest::U;
using wattest::UserID;
using wattest::WatFile;
using wattest::WatText;

namespace {

const std::string kText = "100,200,11,0,'Ab',5,4,0,0,1,0,0,0,3,0,0";
const std::string kSubMap = "110,210,12,1,7,3,3,0,0,3,1.5,0,0";
const std::string kCircle = "120,190,13,2,4,3,1,0,0,0,0";
const std::string kArc = "90,230,14,3,5,0,90,1,3,0,0";
const std::string kImage = "95,205,15,4,0,0,0,0,0,0,0";
const std::string kMText = "105,195,16,5,Line,5,4,0,0,1,0,0,0,2,0,0,3,0,0";

class WatReader : public ::testing::Test {
protected:
    void SetUp() override { KTX::KtLogFile::GetInstance(true); }
    TempDir dir;
};

TEST_F(WatReader, DispatchesEveryKind) {
    WatFile wat(dir, WatText({kText, kSubMap, kCircle, kArc, kImage, kMText}));
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 6);
    EXPECT_EQ(wat.Defn().GetFeatureCount(), 6);

    const int kTypes[] = {7, 1, 15, 24, 0, 7};
    const int kGeometries[] = {KTX::KTGEO_TEXT, KTX::KTGEO_POINT, KTX::KTGEO_CIRCLE,
                               KTX::KTGEO_ARC,  KTX::KTGEO_NONE,  KTX::KTGEO_TEXT};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(wat.Index()[i]->nItemID, 11 + i);
        EXPECT_EQ(wat.Reader().GetType(wat.Index()[i]), kTypes[i]);
        bool bOk = false;
        auto pFeature = wat.Read(i, true, bOk);
        EXPECT_EQ(UserID(*pFeature), 11 + i);
        if (kGeometries[i] == KTX::KTGEO_NONE) {
            // Images are indexed but cannot be imported.
            EXPECT_FALSE(bOk);
            EXPECT_EQ(pFeature->GetGeometry(), nullptr);
        } else {
            EXPECT_TRUE(bOk);
            ASSERT_NE(pFeature->GetGeometry(), nullptr);
            EXPECT_EQ(pFeature->GetGeometry()->GetType(), kGeometries[i]);
        }
    }
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 0);
}

TEST_F(WatReader, ReadsInAnyOrder) {
    WatFile wat(dir, WatText({kText, kSubMap, kArc}));
    ASSERT_EQ(wat.Count(), 3);
    bool bOk = false;
    for (int i : {2, 0, 1, 2}) {
        auto pFeature = wat.Read(i, true, bOk);
        EXPECT_TRUE(bOk);
        EXPECT_EQ(UserID(*pFeature), 11 + (i == 2 ? 3 : i));
    }
}

TEST_F(WatReader, BoundsComeFromTheAnchors) {
    WatFile wat(dir, WatText({kText, kSubMap, kCircle, kArc, kImage, kMText}));
    const KTX::PlxRect2D& rc = wat.Defn().GetBound();
    EXPECT_EQ(rc.left, 90);
    EXPECT_EQ(rc.right, 120);
    EXPECT_EQ(rc.top, 230);
    EXPECT_EQ(rc.bottom, 190);
}

TEST_F(WatReader, BoundsOfOneText) {
    WatFile wat(dir, WatText({kText}));
    const KTX::PlxRect2D& rc = wat.Defn().GetBound();
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.right, 100);
    EXPECT_EQ(rc.top, 200);
    EXPECT_EQ(rc.bottom, 200);
}

TEST_F(WatReader, ZeroOrMissingCountGivesNoDefinition) {
    for (const char* count : {"0", "", "none"}) {
        SCOPED_TRACE(count);
        WatFile wat(dir, std::string("header\n") + count + "\n" + kText + "\n");
        EXPECT_FALSE(wat.PreRead());
        EXPECT_EQ(wat.Count(), 0);
        // The definition is left as it was.
        EXPECT_EQ(wat.Defn().GetBound().left, 0);
        EXPECT_EQ(wat.Defn().GetBound().top, 0);
    }
}

TEST_F(WatReader, NegativeCountGivesAnEmptyDefinition) {
    WatFile wat(dir, "header\n-3\n" + kText + "\n");
    ASSERT_TRUE(wat.PreRead());
    EXPECT_EQ(wat.Defn().GetFeatureCount(), 0);
    const KTX::PlxRect2D& rc = wat.Defn().GetBound();
    EXPECT_EQ(rc.left, 1e10);
    EXPECT_EQ(rc.top, -1e10);
    EXPECT_EQ(rc.right, -1e10);
    EXPECT_EQ(rc.bottom, 1e10);
}

TEST_F(WatReader, CountBeyondTheRecordsStopsAtTheEnd) {
    WatFile wat(dir, "header\n5\n" + kText + "\n" + kArc + "\n\n\n");
    ASSERT_TRUE(wat.PreRead());
    EXPECT_EQ(wat.Count(), 2);
    EXPECT_EQ(wat.Defn().GetFeatureCount(), 2);
}

TEST_F(WatReader, HugeCountOnATinyFileIsQuick) {
    const auto start = std::chrono::steady_clock::now();
    WatFile wat(dir, "header\n2147483647\n" + kText + "\n");
    ASSERT_TRUE(wat.PreRead());
    EXPECT_EQ(wat.Count(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(WatReader, CountSmallerThanTheRecordsReadsOnlyThatMany) {
    WatFile wat(dir, "header\n2\n" + kText + "\n" + kSubMap + "\n" + kArc + "\n");
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 2);
    EXPECT_EQ(wat.Index()[1]->nItemID, 12);
    bool bOk = false;
    wat.Read(1, true, bOk);
    EXPECT_TRUE(bOk);
}

TEST_F(WatReader, UnknownKindUsesOneLineAndOneRepetition) {
    WatFile wat(dir, WatText({kText, "1,2,99,7,a,b,c", kMText}));
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 2);
    EXPECT_EQ(wat.Index()[0]->nItemID, 11);
    EXPECT_EQ(wat.Index()[1]->nItemID, 16);
}

TEST_F(WatReader, ShortLinesAndNegativeKindsAreSkipped) {
    WatFile wat(dir, WatText({"1,2,3", "5,5,40,-1,0,0,0,0,0,0,0", kArc}));
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 1);
    EXPECT_EQ(wat.Index()[0]->nItemID, 14);
    // The skipped lines do not widen the bounds.
    EXPECT_EQ(wat.Defn().GetBound().left, 90);
}

TEST_F(WatReader, ContinuedRecordIsIndexedButRefusedOnReading) {
    // The text record is broken after its eighth field.
    const std::string text =
        "header\n2\n"
        "100,200,21,0,'Ab',5,4,0,\n"
        "0,1,0,0,0,3,0,0\n" +
        kArc + "\n";
    WatFile wat(dir, text);
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 2);
    EXPECT_EQ(wat.Index()[0]->nItemID, 21);
    EXPECT_EQ(wat.Index()[1]->nItemID, 14);

    KTX::PlxUnicodeString strLine;
    EXPECT_EQ(KTX::KtReadWatFileTestAccess::PrevProcessFileData(wat.Reader(),
                                                                wat.Index()[0]->nFilePos, strLine),
              2);
    EXPECT_EQ(wattest::Utf8(strLine), "100,200,21,0,'Ab',5,4,0,0,1,0,0,0,3,0,0");

    bool bOk = true;
    auto pText = wat.Read(0, true, bOk);
    EXPECT_FALSE(bOk);
    EXPECT_EQ(UserID(*pText), 21);
    EXPECT_EQ(pText->GetGeometry(), nullptr);
    ExpectRefusedLogs(1);

    auto pArc = wat.Read(1, true, bOk);
    EXPECT_TRUE(bOk);
}

TEST_F(WatReader, FileEndingInsideARecordStops) {
    WatFile wat(dir, "header\n2\n" + kArc + "\n100,200,22,0,'Ab',5");
    ASSERT_TRUE(wat.PreRead());
    ASSERT_EQ(wat.Count(), 2);
    bool bOk = true;
    wat.Read(1, true, bOk);
    EXPECT_FALSE(bOk);
    ExpectRefusedLogs(1);
}

TEST_F(WatReader, LastLineWithoutLineEndIsRead) {
    WatFile wat(dir, "header\n1\n" + kSubMap);
    ASSERT_EQ(wat.Count(), 1);
    bool bOk = false;
    wat.Read(0, true, bOk);
    EXPECT_TRUE(bOk);
}

TEST_F(WatReader, SameIdentifierTwice) {
    WatFile wat(dir, WatText({kArc, kArc}));
    ASSERT_EQ(wat.Count(), 2);
    bool bOk0 = false, bOk1 = false;
    auto p0 = wat.Read(0, true, bOk0);
    auto p1 = wat.Read(1, true, bOk1);
    EXPECT_TRUE(bOk0 && bOk1);
    EXPECT_EQ(UserID(*p0), 14);
    EXPECT_EQ(UserID(*p1), 14);
    EXPECT_NE(wat.Index()[0]->nFilePos, wat.Index()[1]->nFilePos);
}

struct FillFlagCase {
    const char* flag;
    int nType;
};

class WatCircleType : public WatReader, public ::testing::WithParamInterface<FillFlagCase> {};

TEST_P(WatCircleType, FillFlagChoosesRegionOrCircle) {
    WatFile wat(dir, WatText({std::string("1,1,30,2,4,3,1,") + GetParam().flag + ",0,0,0"}));
    ASSERT_EQ(wat.Count(), 1);
    EXPECT_EQ(wat.Reader().GetType(wat.Index()[0]), GetParam().nType);
}

INSTANTIATE_TEST_SUITE_P(Flags, WatCircleType,
                         ::testing::Values(FillFlagCase{"1", 5}, FillFlagCase{"0", 15},
                                           FillFlagCase{"0.4", 15}, FillFlagCase{"0.9", 15},
                                           FillFlagCase{"-0.9", 15}, FillFlagCase{"text", 15},
                                           FillFlagCase{"-1", 5}, FillFlagCase{"2.5", 5},
                                           FillFlagCase{"1e300", 5}));

TEST_F(WatReader, CircleWithoutFillFieldIsACircle) {
    WatFile wat(dir, WatText({kArc, "1,1,31,2,4,3,1"}));
    ASSERT_EQ(wat.Count(), 2);
    EXPECT_EQ(wat.Reader().GetType(wat.Index()[1]), 15);
    bool bOk = true;
    wat.Read(1, true, bOk);
    EXPECT_FALSE(bOk);
    ExpectRefusedLogs(1);
}

TEST_F(WatReader, TypeAndReadRefuseForeignRecords) {
    WatFile wat(dir, WatText({kText, "5,5,41,9,0,0,0,0,0,0,0"}));
    ASSERT_EQ(wat.Count(), 1);
    KTX::KtFeature feature;
    EXPECT_EQ(wat.Reader().GetType(nullptr), 0);
    EXPECT_FALSE(wat.Reader().ReadItemData(nullptr, &feature));
    EXPECT_FALSE(wat.Reader().ReadItemData(wat.Index()[0], nullptr));

    // A record whose identifier no longer matches the file.
    KTX::tagFileIndex wrongID(99, wat.Index()[0]->nFilePos);
    EXPECT_EQ(wat.Reader().GetType(&wrongID), 0);
    EXPECT_FALSE(wat.Reader().ReadItemData(&wrongID, &feature));
    EXPECT_EQ(feature.GetFieldInfos().GetSize(), 1);
    EXPECT_TRUE(feature.GetValue(KTX::PlxUnicodeString(KTX::kUserIDFieldName))->IsNull());
    EXPECT_EQ(feature.GetGeometry(), nullptr);

    // The line after the text holds a kind that is not importable.
    const std::string head = "MAPGIS point file\n2\n" + kText + "\n";
    KTX::tagFileIndex foreign(41, static_cast<int>(head.size()));
    EXPECT_EQ(wat.Reader().GetType(&foreign), 0);
    EXPECT_FALSE(wat.Reader().ReadItemData(&foreign, &feature));

    // A position at or beyond the end of the file.
    KTX::tagFileIndex beyond(11, 1 << 20);
    EXPECT_EQ(wat.Reader().GetType(&beyond), 0);
    EXPECT_FALSE(wat.Reader().ReadItemData(&beyond, &feature));
}

TEST_F(WatReader, TypesKeptFromATypedPreReadAreThoseReadAgain) {
    const std::string kFilledCircle = "120,190,17,2,4,3,1,1,0,0,0";
    const std::string text =
        WatText({kText, kSubMap, kCircle, kFilledCircle, kArc, kImage, kMText});
    WatFile plain(dir, text, "plain.wat");
    WatFile typed(dir, text, "typed.wat", {KTX::KTGEO_TEXT});
    ASSERT_EQ(typed.Count(), 7);
    // A record that names another identifier at the position the reader expects next is
    // not answered from what it kept, nor does it move it on.
    KTX::tagFileIndex wrongID(99, typed.Index()[0]->nFilePos);
    EXPECT_EQ(typed.Reader().GetType(&wrongID), 0);
    const int kTypes[] = {7, 1, 15, 5, 24, 0, 7};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(typed.Reader().GetType(typed.Index()[i]), kTypes[i]) << i;
        EXPECT_EQ(plain.Reader().GetType(plain.Index()[i]), kTypes[i]) << i;
    }
    // Asked again, in another order, or after the kept types are gone: read from the file.
    EXPECT_EQ(typed.Reader().GetType(typed.Index()[3]), 5);
    typed.Reader().ForgetRecordTypes();
    EXPECT_EQ(typed.Reader().GetType(typed.Index()[0]), 7);
}

TEST_F(WatReader, MissingFileGivesNothing) {
    KTX::KtReadWatFile reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> index;
    EXPECT_FALSE(
        reader.PreReadFile(U(dir.Path() + "/absent.wat"), KTX::PLXCharsetUTF8, defn, index));
    EXPECT_EQ(index.GetSize(), 0);
    KTX::tagFileIndex record(1, 0);
    KTX::KtFeature feature;
    EXPECT_EQ(reader.GetType(&record), 0);
    EXPECT_FALSE(reader.ReadItemData(&record, &feature));
}

TEST_F(WatReader, ReopenKeepsTheCharsetOfThePreRead) {
    // GBK bytes of two Chinese characters inside the text delimiters.
    const std::string gbk = "\xBA\xD3\xB5\xC0";
    const std::string text = "header\n1\n1,1,50,0,'" + gbk + "',5,4,0,0,1,0,0,0,3,0,0\n";
    const std::string path = dir.Write("gbk.wat", text);
    KTX::KtReadWatFile reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> index;
    ASSERT_TRUE(reader.PreReadFile(U(path), KTX::PLXCharsetGBK, defn, index));
    ASSERT_EQ(index.GetSize(), 1);
    KTX::KtFeature feature;
    EXPECT_TRUE(reader.ReadItemData(index[0], &feature));
    const auto* pText = dynamic_cast<const KTX::KtGeoText*>(feature.GetGeometry());
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(pText->GetSub(0)->GetText().Str(), std::u16string(u"\u6CB3\u9053"));
    for (KTX::tagFileIndex* p : index)
        delete p;
}

struct RefusedCase {
    const char* name;
    std::string record;
};

class WatRefused : public WatReader, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(WatRefused, WrongFieldCountIsLoggedOnce) {
    WatFile wat(dir, WatText({GetParam().record}));
    ASSERT_EQ(wat.Count(), 1);
    bool bOk = true;
    auto pFeature = wat.Read(0, true, bOk);
    EXPECT_FALSE(bOk);
    EXPECT_EQ(UserID(*pFeature), 77);
    EXPECT_EQ(pFeature->GetGeometry(), nullptr);
    ExpectRefusedLogs(1);
}

INSTANTIATE_TEST_SUITE_P(
    Records, WatRefused,
    ::testing::Values(RefusedCase{"TextWithComma", "1,1,77,0,'a,b',5,4,0,0,1,0,0,0,3,0,0"},
                      RefusedCase{"MText18", "1,1,77,5,T,5,4,0,0,1,0,0,0,2,0,0,3,0"},
                      RefusedCase{"MText20", "1,1,77,5,T,5,4,0,0,1,0,0,0,2,0,0,3,0,0,0"},
                      RefusedCase{"Arc10", "1,1,77,3,5,0,90,1,3,0"},
                      RefusedCase{"Arc12", "1,1,77,3,5,0,90,1,3,0,0,0"},
                      RefusedCase{"Circle12", "1,1,77,2,4,3,1,0,0,0,0,0"},
                      RefusedCase{"SubMap12", "1,1,77,1,7,3,3,0,0,3,1.5,0"},
                      RefusedCase{"SubMap14", "1,1,77,1,7,3,3,0,0,3,1.5,0,0,0"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST_F(WatReader, EveryRefusedRecordIsLogged) {
    WatFile wat(dir, WatText({"1,1,77,3,5,0,90,1,3,0,0,0", kText, "1,1,78,1,7,3,3,0,0,3,1.5,0"}));
    ASSERT_EQ(wat.Count(), 3);
    bool bOk = false;
    for (int i = 0; i < 3; ++i)
        wat.Read(i, true, bOk);
    ExpectRefusedLogs(2);
}

}  // namespace
