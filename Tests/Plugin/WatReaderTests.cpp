// Point files: the pre-read (record count, continued records, bound), the type answer of the
// typed layers, and the items that are no texts. Arc: x, y, id, 3, radius, start, end,
// width, colour, -, -. Circle: x, y, id, 2, radius, line colour, width, fill flag, fill
// colour, -, -. Sub-map: x, y, id, 1, symbol, height, width, angle, -, colour, line width, -, -.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KtReadWatFile.h"
#include "PluginTestSupport.h"

namespace {

using KTX::KtStyle;
using WatRead = pt::PreRead<KTX::KtReadWatFile>;

const std::string kText = "100,200,11,0,'Ab',5,4,0,0,1,0,0,0,3,0,0";
const std::string kSubMap = "110,210,12,1,7,3,3,0,0,3,1.5,0,0";
const std::string kCircle = "120,190,13,2,4,3,1,0,0,0,0";
const std::string kFilledCircle = "120,190,14,2,4,3,1,1,0,0,0";
const std::string kArc = "90,230,15,3,5,0,90,1,3,0,0";
const std::string kImage = "95,205,16,4,0,0,0,0,0,0,0";
const std::string kMText = "105,195,17,5,Line,5,4,0,0,1,0,0,0,2,0,0,3,0,0";

std::string Wat(const std::string& strCount, const std::vector<std::string>& records) {
    return "MAPGIS point file\n" + strCount + "\n" + pt::Lines(records);
}
std::string Wat(const std::vector<std::string>& records) {
    return Wat(std::to_string(records.size()), records);
}

std::vector<int> IDs(const WatRead& read) {
    std::vector<int> ids;
    for (const KTX::tagFileIndex* p : read.index)
        ids.push_back(p->nItemID);
    return ids;
}

class WatReader : public ::testing::Test {
protected:
    void SetUp() override { KTX::KtLogFile::GetInstance(true); }
};

TEST_F(WatReader, EveryKindIndexedAndTyped) {
    const std::string strText = Wat({kText, kSubMap, kCircle, kFilledCircle, kArc, kImage, kMText});
    WatRead plain;
    ASSERT_TRUE(plain.Read(strText, "plain.wat"));
    ASSERT_EQ(IDs(plain), (std::vector<int>{11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(plain.defn.GetFeatureCount(), 7);
    // The bound of the records' points.
    EXPECT_EQ(pt::Bound(plain.defn.GetBound()), (std::vector<double>{90, 230, 120, 190}));

    // A typed pre-read keeps the types it found; both answer the same.
    WatRead typed;
    typed.reader.SetKeptTypes({KTX::KTGEO_TEXT});
    ASSERT_TRUE(typed.Read(strText, "typed.wat"));
    ASSERT_EQ(typed.Count(), 7);
    // What each geometry becomes in the compound layer is checked on the sample file.
    const int kTypes[] = {KTX::KTGEO_TEXT, KTX::KTGEO_POINT, KTX::KTGEO_CIRCLE, KTX::KTGEO_REGION,
                          KTX::KTGEO_ARC,  KTX::KTGEO_NONE,  KTX::KTGEO_TEXT};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(typed.reader.GetType(typed.index[i]), kTypes[i]);
        EXPECT_EQ(plain.reader.GetType(plain.index[i]), kTypes[i]);
    }
    // Asked out of order or after the kept types are gone: read from the file.
    EXPECT_EQ(typed.reader.GetType(typed.index[3]), KTX::KTGEO_REGION);
    typed.reader.ForgetRecordTypes();
    EXPECT_EQ(typed.reader.GetType(typed.index[0]), KTX::KTGEO_TEXT);
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 0);
}

TEST_F(WatReader, IndexesTheRecordsTheFileHolds) {
    const struct {
        const char* pszName;
        std::string strText;
        bool bOk;
        std::vector<int> ids;
    } kFiles[] = {
        {"Zero", Wat("0", {kText}), false, {}},
        {"NotANumber", Wat("none", {kText}), false, {}},
        {"Negative", Wat("-3", {kText}), true, {}},
        {"BeyondTheRecords", Wat("5", {kText, kArc, "", ""}), true, {11, 15}},
        {"HugeOnATinyFile", Wat("2147483647", {kText}), true, {11}},
        {"BelowTheRecords", Wat("2", {kText, kSubMap, kArc}), true, {11, 12}},
        // An unknown kind takes one line and one of the stated records.
        {"UnknownKind", Wat({kText, "1,2,99,7,a,b,c", kMText}), true, {11, 17}},
        {"ShortLineAndNegativeKind", Wat({"1,2,3", "5,5,40,-1,0,0,0,0,0,0,0", kArc}), true, {15}},
        {"LastLineWithoutLineEnd", "header\n1\n" + kSubMap, true, {12}}};
    for (const auto& c : kFiles) {
        SCOPED_TRACE(c.pszName);
        const auto start = std::chrono::steady_clock::now();
        WatRead read;
        EXPECT_EQ(read.Read(c.strText, "t.wat"), c.bOk);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(IDs(read), c.ids);
        if (c.bOk) {
            EXPECT_EQ(read.defn.GetFeatureCount(), static_cast<int>(c.ids.size()));
        }
    }
}

TEST_F(WatReader, ContinuedRecordIsIndexedButRefusedOnReading) {
    // The text record is broken after its eighth field, and the file ends inside the last.
    WatRead read;
    ASSERT_TRUE(read.Read(
        Wat("3", {"100,200,21,0,'Ab',5,4,0,", "0,1,0,0,0,3,0,0", kArc, "100,200,22,0,'Ab',5"}),
        "t.wat"));
    ASSERT_EQ(IDs(read), (std::vector<int>{21, 15, 22}));
    KTX::KtFeature text, arc, cut;
    EXPECT_FALSE(read.ReadItem(0, text));
    EXPECT_EQ(pt::UserID(text), 21);
    EXPECT_EQ(text.GetGeometry(), nullptr);
    EXPECT_TRUE(read.ReadItem(1, arc));
    EXPECT_FALSE(read.ReadItem(2, cut));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 2);
}

TEST_F(WatReader, WrongFieldCountIsLoggedOnce) {
    // A text with a comma, then one field too many or too few for each kind.
    for (const char* pszRecord :
         {"1,1,77,0,'a,b',5,4,0,0,1,0,0,0,3,0,0", "1,1,77,5,T,5,4,0,0,1,0,0,0,2,0,0,3,0,0,0",
          "1,1,77,3,5,0,90,1,3,0,0,0", "1,1,77,2,4,3,1,0,0,0,0,0", "1,1,77,2,4,3,1",
          "1,1,77,1,7,3,3,0,0,3,1.5,0,0,0"}) {
        SCOPED_TRACE(pszRecord);
        WatRead read;
        ASSERT_TRUE(read.Read(Wat({pszRecord}), "t.wat"));
        ASSERT_EQ(read.Count(), 1);
        KTX::KtFeature feature;
        EXPECT_FALSE(read.ReadItem(0, feature));
        EXPECT_EQ(pt::UserID(feature), 77);
        EXPECT_EQ(feature.GetGeometry(), nullptr);
        EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 1);
    }
}

TEST_F(WatReader, FillFlagCountsWhenItTruncatesToNonZero) {
    // Region (filled) or circle.
    const std::pair<const char*, int> kFlags[] = {{"-1", 5}, {"2.5", 5},   {"1e300", 5},
                                                  {"0", 15}, {"-0.9", 15}, {"text", 15}};
    for (const auto& [pszFlag, nType] : kFlags) {
        SCOPED_TRACE(pszFlag);
        WatRead read;
        ASSERT_TRUE(read.Read(Wat({std::string("1,1,30,2,4,3,1,") + pszFlag + ",0,0,0"}), "t.wat"));
        ASSERT_EQ(read.Count(), 1);
        EXPECT_EQ(read.reader.GetType(read.index[0]), nType);
    }
}

TEST_F(WatReader, ReopenedFileKeepsTheCharsetOfThePreRead) {
    // GBK bytes of two Chinese characters; the pre-read reaches the end and reopens.
    WatRead read;
    const std::string strPath =
        read.dir.Write("gbk.wat", "header\n1\n1,1,50,0,'\xBA\xD3\xB5\xC0',5,4,0,0,1,0,0,0,3,0,0\n");
    ASSERT_TRUE(read.reader.PreReadFile(pt::U(strPath), KTX::PLXCharsetGBK, read.defn, read.index));
    KTX::KtFeature feature;
    ASSERT_TRUE(read.ReadItem(0, feature));
    const auto* pText = dynamic_cast<const KTX::KtGeoText*>(feature.GetGeometry());
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(pText->GetSub(0)->GetText().Str(), std::u16string(u"\u6CB3\u9053"));
}

class WatItem : public WatReader {
protected:
    // The geometry of a file's one record, read for the compound layer or a typed one.
    const KTX::KtGeometry* Read(const std::string& strRecord, bool bCADMode, bool bOk = true) {
        m_pRead = std::make_unique<WatRead>();
        EXPECT_TRUE(m_pRead->Read(Wat({strRecord}), "t.wat"));
        feature = std::make_unique<KTX::KtFeature>();
        EXPECT_EQ(m_pRead->ReadItem(0, *feature, bCADMode), bOk);
        return feature->GetGeometry();
    }
    testfiles::TempDir dir;
    pt::SharedTables tables{dir, pt::kRgbColors};
    std::unique_ptr<WatRead> m_pRead;
    std::unique_ptr<KTX::KtFeature> feature = std::make_unique<KTX::KtFeature>();
};

TEST_F(WatItem, ArcShapeAndStyle) {
    const auto* pArc =
        dynamic_cast<const KTX::KtGeoArc*>(Read("5,6,1,3,2.5,30,120,2.7,3,0,0", true));
    ASSERT_NE(pArc, nullptr);
    EXPECT_EQ(pArc->GetCenter(), KTX::PlxPoint2D(5, 6));
    EXPECT_EQ(pArc->GetRadius(), 2.5);
    EXPECT_EQ(pArc->GetStartAngle(), 30);
    EXPECT_EQ(pArc->GetEndAngle(), 120);
    ASSERT_NE(pArc->GetStyle(), nullptr);
    EXPECT_EQ(pArc->GetStyle()->GetLineColor(), pt::kRed);
    EXPECT_EQ(pArc->GetStyle()->GetLineWidth(), 2.0);  // written as an integer
    // For the typed layers: a line from angle 0 to angle 90 of the circle of radius 2.
    const std::vector<pt::Points> parts = pt::Parts(Read("0,0,1,3,2,0,90,1,3,0,0", false));
    ASSERT_EQ(parts.size(), 1u);
    pt::ExpectNear(parts[0].front(), 2, 0);
    pt::ExpectNear(parts[0].back(), 0, 2);
    EXPECT_EQ(feature->GetGeometry()->GetStyle(), nullptr);
    // An arc that cannot be made is refused silently.
    EXPECT_EQ(Read("0,0,1,3,0,0,90,1,3,0,0", true, false), nullptr);
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 0);
}

TEST_F(WatItem, CircleStyleAndFill) {
    const KTX::KtGeometry* pCircle = Read("7,8,1,2,3,5,4.6,0.9,7,0,0", true);
    ASSERT_NE(dynamic_cast<const KTX::KtGeoCircle*>(pCircle), nullptr);
    EXPECT_EQ(static_cast<const KTX::KtGeoCircle*>(pCircle)->GetRadius(), 3);
    const KtStyle* pStyle = pCircle->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), pt::kGreen);
    EXPECT_EQ(pStyle->GetLineWidth(), 4);
    EXPECT_FALSE(pStyle->IsSet(KtStyle::FillForeColorSet));

    const KTX::KtGeometry* pFilled = Read("7,8,1,2,3,5,4,-1,7,0,0", true);
    ASSERT_NE(pFilled, nullptr);
    pStyle = pFilled->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetFillForeColor(), pt::kBlue);

    // For the typed layers a filled circle is a region, an unfilled one its closed outline,
    // both from angle 0: (7 + 3, 8).
    for (const bool bFilled : {true, false}) {
        SCOPED_TRACE(bFilled);
        const KTX::KtGeometry* pGeometry =
            Read(std::string("7,8,1,2,3,5,4,") + (bFilled ? "1" : "0") + ",7,0,0", false);
        ASSERT_NE(pGeometry, nullptr);
        EXPECT_EQ(pGeometry->GetType(), bFilled ? KTX::KTGEO_REGION : KTX::KTGEO_LINE);
        EXPECT_EQ(pGeometry->GetStyle(), nullptr);
        const std::vector<pt::Points> parts = pt::Parts(pGeometry);
        ASSERT_EQ(parts.size(), 1u);
        ASSERT_GE(parts[0].size(), 4u);
        pt::ExpectNear(parts[0].front(), 10, 8);
        if (!bFilled)
            pt::ExpectNear(parts[0].back(), 10, 8);
    }
    EXPECT_EQ(Read("7,8,1,2,0,5,4,1,7,0,0", true, false), nullptr);
}

TEST_F(WatItem, SubMapMarker) {
    const auto* pPoint = dynamic_cast<const KTX::KtGeoPoint*>(
        Read("12.5,-3,1,1,987654,4.5,3.5,30,0,7,2.7,0,0", true));
    ASSERT_NE(pPoint, nullptr);
    EXPECT_EQ(pPoint->GetPoint(), KTX::PlxPoint2D(12.5, -3));
    const KtStyle* pStyle = pPoint->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), pt::kBlue);
    EXPECT_EQ(pStyle->GetLineWidth(), 2.7);
    EXPECT_EQ(pStyle->GetMarkerHeight(), 4.5);
    EXPECT_EQ(pStyle->GetMarkerWidth(), 3.5);
    EXPECT_EQ(pStyle->GetMarkerAngle(), 30);
    // A symbol without mapping is marker 0, still set.
    EXPECT_TRUE(pStyle->IsSet(KtStyle::MarkerStyleSet));
    EXPECT_EQ(pStyle->GetMarkerStyle(), 0);
    const KTX::KtGeometry* pPlain = Read("1,2,1,1,7,4,3,0,0,7,1,0,0", false);
    ASSERT_NE(pPlain, nullptr);
    EXPECT_EQ(pPlain->GetStyle(), nullptr);
}

}  // namespace
