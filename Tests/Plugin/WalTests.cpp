// Line files (.wal): imported end to end through the loaded plug-in, and read item by item.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ColorIndexFileText.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoStream/KtFileStdio.h"
#include "KtReadWalFile.h"
#include "LayerTestDoubles.h"
#include "PluginLoader.h"
#include "TestFiles.h"

namespace {

using KTX::KtFeature;
using KTX::KtGeoLine;
using KTX::KtStyle;
using KTX::PlxPoint2D;
using KTX::PlxRect2D;
using KTX::PLXRGB;
using layertest::UserID;
using testfiles::DataFile;
using testfiles::ImportThroughPlugin;

const KtGeoLine* LineOf(const KtFeature& feature) {
    return dynamic_cast<const KtGeoLine*>(feature.GetGeometry());
}

std::vector<PlxPoint2D> PointsOf(const KtGeoLine& line) {
    const PlxPoint2D* pPoints = line.GetPoints(0);
    return std::vector<PlxPoint2D>(pPoints, pPoints + line.GetPointCount());
}

void ExpectBound(const PlxRect2D& rc, double dLeft, double dTop, double dRight, double dBottom) {
    EXPECT_EQ(rc.left, dLeft);
    EXPECT_EQ(rc.top, dTop);
    EXPECT_EQ(rc.right, dRight);
    EXPECT_EQ(rc.bottom, dBottom);
}

class WalImport : public ::testing::Test {
protected:
    testfiles::ImportResult Import(const std::string& strName, int nMode = KTX::KTIMPORT_CAD) {
        testfiles::ImportOptions opt;
        opt.nImportMode = nMode;
        opt.strColorIndexFile = strColors;
        opt.nBatchSize = 2;
        return ImportThroughPlugin(DataFile("wal/" + strName), opt);
    }
    testfiles::TempDir dir;
    // Colour 5 is pure red, colour 6 half cyan; colour 99 is not listed.
    const std::string strColors =
        dir.Write("colours.clr", colorfile::Header(2) + colorfile::Record(5, 0, 100, 100, 0) +
                                     colorfile::Record(6, 50, 0, 0, 0));
};

TEST_F(WalImport, CompoundLayerHoldsEveryLineWithItsStyle) {
    const testfiles::ImportResult result = Import("basic.wal");
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 149);
    EXPECT_EQ(layer.strName, "dest");
    EXPECT_EQ(layer.nFeatureCount, 3);
    EXPECT_EQ(layer.nFilled, 3);
    ExpectBound(layer.rcBound, -12.25, 40, 30, -5);
    ASSERT_EQ(layer.features.size(), 3u);

    const KtFeature& first = *layer.features[0];
    EXPECT_EQ(UserID(first), 101);
    ASSERT_NE(LineOf(first), nullptr);
    EXPECT_EQ(PointsOf(*LineOf(first)), (std::vector<PlxPoint2D>{{10, 20}, {30, -5}, {15.5, 40}}));
    const KtStyle* pStyle = LineOf(first)->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), PLXRGB(255, 0, 0));
    EXPECT_DOUBLE_EQ(pStyle->GetLineWidth(), 1.5);
    EXPECT_EQ(pStyle->GetLineStyle(), 2);  // the shipped table maps line type 2 to dashes

    const KtFeature& second = *layer.features[1];
    EXPECT_EQ(UserID(second), 102);
    ASSERT_NE(LineOf(second), nullptr);
    EXPECT_EQ(PointsOf(*LineOf(second)), (std::vector<PlxPoint2D>{{-12.25, 7}, {0, 0}}));
    pStyle = LineOf(second)->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), PLXRGB(127, 255, 255));
    EXPECT_DOUBLE_EQ(pStyle->GetLineWidth(), 0.5);
    EXPECT_EQ(pStyle->GetLineStyle(), 4);  // line type 9 is drawn as long dashes

    const KtFeature& third = *layer.features[2];
    EXPECT_EQ(UserID(third), 103);
    ASSERT_NE(LineOf(third), nullptr);
    pStyle = LineOf(third)->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_FALSE(pStyle->IsSet(KtStyle::LineColorSet));  // colour 99 is not in the table
    EXPECT_TRUE(pStyle->IsSet(KtStyle::LineStyleSet | KtStyle::LineWidthSet));
    EXPECT_EQ(pStyle->GetLineStyle(), 0);  // line type 11 is not mapped
    EXPECT_EQ(pStyle->GetLineWidth(), 0.0);
}

TEST_F(WalImport, TypedModeGivesOnlyTheUnstyledLineLayer) {
    const testfiles::ImportResult result = Import("basic.wal", KTX::KTIMPORT_TYPED);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 3);
    EXPECT_EQ(layer.strName, "destL");
    EXPECT_EQ(layer.nFeatureCount, 3);
    ExpectBound(layer.rcBound, -12.25, 40, 30, -5);
    ASSERT_EQ(layer.features.size(), 3u);
    for (const auto& pFeature : layer.features) {
        ASSERT_NE(LineOf(*pFeature), nullptr);
        EXPECT_EQ(LineOf(*pFeature)->GetStyle(), nullptr);
    }
    EXPECT_EQ(UserID(*layer.features[2]), 103);
}

TEST_F(WalImport, NegativeCountGivesAnEmptyLayer) {
    const testfiles::ImportResult result = Import("negative-count.wal");
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].nFeatureCount, 0);
    EXPECT_TRUE(result.layers[0].features.empty());
    ExpectBound(result.layers[0].rcBound, 1e10, -1e10, -1e10, 1e10);
}

TEST_F(WalImport, ZeroCountIsRefused) {
    const testfiles::ImportResult result = Import("zero-count.wal");
    EXPECT_FALSE(result.bOpened);
    EXPECT_TRUE(result.layers.empty());
}

TEST_F(WalImport, CountBeyondTheItemsStopsAtTheEndOfTheFile) {
    const testfiles::ImportResult result = Import("short.wal");
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].nFeatureCount, 2);
    ASSERT_EQ(result.layers[0].features.size(), 2u);
    EXPECT_EQ(UserID(*result.layers[0].features[0]), 11);
    EXPECT_EQ(UserID(*result.layers[0].features[1]), 12);
    ExpectBound(result.layers[0].rcBound, 1, 8, 7, 2);
}

TEST_F(WalImport, ItemWithoutPointsIsTwoLinesLong) {
    const testfiles::ImportResult result = Import("empty-item.wal");
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].nFeatureCount, 1);
    ASSERT_EQ(result.layers[0].features.size(), 1u);
    EXPECT_EQ(UserID(*result.layers[0].features[0]), 7);
    ExpectBound(result.layers[0].rcBound, 1, 4, 3, 2);
}

TEST_F(WalImport, MalformedPointLinesAreLeftOut) {
    const testfiles::ImportResult result = Import("malformed-points.wal");
    ASSERT_EQ(result.layers.size(), 1u);
    ExpectBound(result.layers[0].rcBound, 0, 10, 10, 0);
    ASSERT_EQ(result.layers[0].features.size(), 1u);
    const KtGeoLine* pLine = LineOf(*result.layers[0].features[0]);
    ASSERT_NE(pLine, nullptr);
    EXPECT_EQ(PointsOf(*pLine), (std::vector<PlxPoint2D>{{0, 0}, {10, 10}}));
}

TEST_F(WalImport, BadStyleLineIsRefusedWhenReadBadIdentifierLineWhenIndexed) {
    const testfiles::ImportResult result = Import("bad-lines.wal");
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nFeatureCount, 2);  // 301 and 303; 302 has no usable identifier line
    EXPECT_EQ(layer.nFilled, 1);
    ASSERT_EQ(layer.features.size(), 2u);
    EXPECT_EQ(UserID(*layer.features[0]), -1);
    EXPECT_EQ(layer.features[0]->GetGeometry(), nullptr);
    EXPECT_EQ(UserID(*layer.features[1]), 303);
    ExpectBound(layer.rcBound, 0, 5, 5, 0);
}

// The reader on its own, with its stream in view.
class WalReader : public KTX::KtReadWalFile {
public:
    using KtReadWalFile::m_bOpen;
    using KtReadWalFile::m_pFile;
};

class WalRead : public ::testing::Test {
protected:
    bool PreRead(const std::string& strPath) {
        return reader.PreReadFile(KTX::PlxUnicodeString::FromUtf8(strPath), KTX::PLXCharsetUTF8,
                                  defn, index);
    }
    ~WalRead() override {
        for (KTX::tagFileIndex* pIndex : index)
            delete pIndex;
    }
    WalReader reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> index;
    testfiles::TempDir dir;
};

TEST_F(WalRead, IndexRemembersIdentifiersAndItemStarts) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    ASSERT_EQ(index.GetSize(), 3);
    // "WMAP lines\n3\n" is 13 bytes; the first item takes 6 lines, 47 bytes.
    EXPECT_EQ(index[0]->nItemID, 101);
    EXPECT_EQ(index[0]->nFilePos, 13);
    EXPECT_EQ(index[1]->nItemID, 102);
    EXPECT_EQ(index[1]->nFilePos, 13 + 47);
    EXPECT_EQ(index[2]->nItemID, 103);
    EXPECT_EQ(reader.GetType(index[2]), 3);
    EXPECT_EQ(reader.GetType(nullptr), 0);
}

TEST_F(WalRead, ItemsReadInAnyOrderAndAgain) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    for (int i : {2, 0, 2, 1}) {
        KtFeature feature;
        ASSERT_TRUE(reader.ReadItemData(index[i], &feature)) << "item " << i;
        EXPECT_EQ(UserID(feature), index[i]->nItemID);
    }
}

TEST_F(WalRead, StreamIsRewoundWhenTheIndexReachedTheEnd) {
    ASSERT_TRUE(PreRead(DataFile("wal/short.wal")));
    ASSERT_NE(reader.m_pFile, nullptr);
    EXPECT_EQ(reader.m_pFile->GetPosition(), 0);
}

TEST_F(WalRead, WithoutCadModeTheLineHasNoStyle) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    reader.m_bCADMode = false;
    KtFeature feature;
    ASSERT_TRUE(reader.ReadItemData(index[0], &feature));
    ASSERT_NE(LineOf(feature), nullptr);
    EXPECT_EQ(LineOf(feature)->GetStyle(), nullptr);
}

TEST_F(WalRead, IdentifierThatNoLongerMatchesIsRefused) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    index[1]->nItemID = 555;
    KtFeature feature;
    EXPECT_FALSE(reader.ReadItemData(index[1], &feature));
    EXPECT_EQ(feature.GetFieldInfos().GetSize(), 1);
    EXPECT_EQ(UserID(feature), -1);
    EXPECT_EQ(feature.GetGeometry(), nullptr);
}

TEST_F(WalRead, NullArgumentsAreRefused) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    KtFeature feature;
    EXPECT_FALSE(reader.ReadItemData(nullptr, &feature));
    EXPECT_FALSE(reader.ReadItemData(index[0], nullptr));
    EXPECT_TRUE(feature.GetFieldInfos().IsEmpty());
}

TEST_F(WalRead, UnreadableFileLeavesNoStream) {
    EXPECT_FALSE(PreRead(dir.Path() + "/absent.wal"));
    EXPECT_EQ(reader.m_pFile, nullptr);
    const KTX::tagFileIndex record(1, 0);
    KtFeature feature;
    EXPECT_EQ(reader.GetType(&record), 0);
    EXPECT_FALSE(reader.ReadItemData(&record, &feature));
}

TEST_F(WalRead, ZeroCountDropsTheStream) {
    EXPECT_FALSE(PreRead(DataFile("wal/zero-count.wal")));
    EXPECT_EQ(reader.m_pFile, nullptr);
    EXPECT_EQ(index.GetSize(), 0);
    const KTX::tagFileIndex record(1, 13);
    EXPECT_EQ(reader.GetType(&record), 0);
}

TEST_F(WalRead, ItemOfOnePointIsIndexedButMakesNoLine) {
    const std::string strPath = dir.Write("single.wal", "T\n1\n1,0,1,1,0,0,0,0,0\n1\n5,5\n401,0\n");
    ASSERT_TRUE(PreRead(strPath));
    ASSERT_EQ(index.GetSize(), 1);
    ExpectBound(defn.GetBound(), 5, 5, 5, 5);
    KtFeature feature;
    EXPECT_FALSE(reader.ReadItemData(index[0], &feature));
    EXPECT_EQ(feature.GetGeometry(), nullptr);
}

TEST_F(WalRead, HugePointCountReadsToTheEndOfTheFileOnly) {
    const std::string strItem = "1,0,1,1,0,0,0,0,0\n2000000000\n1,1\n2,2\n9,0\n";
    const std::string strPath = dir.Write("huge.wal", "T\n1\n" + strItem);
    ASSERT_TRUE(PreRead(strPath));
    // The point lines run to the end of the file: no identifier line is left.
    EXPECT_EQ(index.GetSize(), 0);
    ExpectBound(defn.GetBound(), 1, 2, 9, 0);  // "9,0" counts as a point line

    // Read at the item's start all the same, the item finds no identifier line either.
    const KTX::tagFileIndex record(9, 4);
    KtFeature feature;
    EXPECT_FALSE(reader.ReadItemData(&record, &feature));
}

TEST_F(WalRead, PositionBeyondTheFileIsRefused) {
    ASSERT_TRUE(PreRead(DataFile("wal/basic.wal")));
    const KTX::tagFileIndex record(101, 1 << 20);
    KtFeature feature;
    EXPECT_FALSE(reader.ReadItemData(&record, &feature));
    EXPECT_EQ(feature.GetGeometry(), nullptr);
}

}  // namespace
