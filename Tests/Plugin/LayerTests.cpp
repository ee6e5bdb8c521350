// The compound layer: reader choice, definition reading and batches at a forward cursor.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "KoFileParser/KtExchangeParams.h"
#include "KtMapGisCADFileLayer.h"
#include "KtReadWalFile.h"
#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "KtReadWatFile.h"
#include "LayerTestDoubles.h"
#include "TestFiles.h"

namespace {

using KTX::KtMapGisCADFileLayer;
using KTX::PlxUnicodeString;
using layertest::FakeReader;
using layertest::FeatureBatch;
using layertest::OpenLayer;
using layertest::UserID;

using CompoundLayer = OpenLayer<KtMapGisCADFileLayer>;

class LayerBatches : public ::testing::Test {
protected:
    FakeReader* Install(const std::vector<int>& ids) {
        return layer.Install(std::make_unique<FakeReader>(), ids);
    }
    CompoundLayer layer;
};

TEST_F(LayerBatches, FiveRecordsInBatchesOfThree) {
    Install({10, 11, 12, 13, 14});
    FeatureBatch first(3);
    EXPECT_EQ(layer.ReadFeatures(first.Array(), 0), 3);
    EXPECT_EQ(UserID(first[0]), 10);
    EXPECT_EQ(UserID(first[1]), 11);
    EXPECT_EQ(UserID(first[2]), 12);
    EXPECT_EQ(layer.m_nCurrentFeature, 3);

    FeatureBatch second(3);
    EXPECT_EQ(layer.ReadFeatures(second.Array(), 0), 2);
    EXPECT_EQ(UserID(second[0]), 13);
    EXPECT_EQ(UserID(second[1]), 14);
    EXPECT_TRUE(second[2].GetFieldInfos().IsEmpty());
    EXPECT_EQ(layer.m_nCurrentFeature, 5);

    FeatureBatch third(3);
    EXPECT_EQ(layer.ReadFeatures(third.Array(), 0), 0);
    EXPECT_TRUE(third[0].GetFieldInfos().IsEmpty());
}

TEST_F(LayerBatches, EmptyBatchReadsNothing) {
    FakeReader* pReader = Install({10, 11});
    FeatureBatch none(0);
    EXPECT_EQ(layer.ReadFeatures(none.Array(), 0), 0);
    EXPECT_EQ(layer.m_nCurrentFeature, 0);
    EXPECT_TRUE(pReader->m_readIDs.empty());
}

TEST_F(LayerBatches, RefusedItemUsesUpItsPosition) {
    FakeReader* pReader = Install({10, 11, 12});
    pReader->m_failing = {11};
    FeatureBatch batch(3);
    EXPECT_EQ(layer.ReadFeatures(batch.Array(), 0), 2);
    EXPECT_EQ(UserID(batch[0]), 10);
    EXPECT_EQ(UserID(batch[1]), -1);
    EXPECT_TRUE(batch[1].GetFieldInfos().IsEmpty());
    EXPECT_EQ(UserID(batch[2]), 12);
    EXPECT_EQ(layer.m_nCurrentFeature, 3);
}

TEST_F(LayerBatches, NullRecordUsesUpItsPositionWithoutARead) {
    FakeReader* pReader = Install({10, 0, 12});
    FeatureBatch batch(3);
    EXPECT_EQ(layer.ReadFeatures(batch.Array(), 0), 2);
    EXPECT_EQ(pReader->m_readIDs, (std::vector<int>{10, 12}));
    EXPECT_EQ(UserID(batch[2]), 12);
    EXPECT_EQ(layer.m_nCurrentFeature, 3);
}

TEST_F(LayerBatches, ResetReadingDoesNotRewind) {
    Install({10, 11, 12});
    FeatureBatch first(2);
    ASSERT_EQ(layer.ReadFeatures(first.Array(), 0), 2);
    layer.ResetReading();
    EXPECT_EQ(layer.m_nCurrentFeature, 2);
    FeatureBatch second(2);
    EXPECT_EQ(layer.ReadFeatures(second.Array(), 0), 1);
    EXPECT_EQ(UserID(second[0]), 12);
}

TEST_F(LayerBatches, CadFlagReachesTheReaderBeforeEveryBatch) {
    FakeReader* pReader = Install({10, 11});
    pReader->m_bCADMode = false;
    FeatureBatch first(1);
    layer.ReadFeatures(first.Array(), 0);
    layer.m_bCADMode = false;
    pReader->m_bCADMode = true;
    FeatureBatch second(1);
    layer.ReadFeatures(second.Array(), 0);
    EXPECT_EQ(pReader->m_cadModes, (std::vector<bool>{true, false}));
}

TEST(Layer, NewLayerDefaults) {
    CompoundLayer layer;
    EXPECT_EQ(layer.m_nSegmentCount, 72);
    EXPECT_TRUE(layer.m_bCADMode);
    EXPECT_EQ(layer.m_pReadFile, nullptr);
    EXPECT_EQ(layer.m_arrFileIndex.GetSize(), 0);
    EXPECT_EQ(layer.m_nCurrentFeature, 0);
}

TEST(Layer, NothingToReadWithoutAReader) {
    CompoundLayer layer;
    FeatureBatch batch(2);
    EXPECT_EQ(layer.ReadFeatures(batch.Array(), 0), 0);
    EXPECT_EQ(layer.m_nCurrentFeature, 0);
}

TEST(Layer, WritesNothing) {
    CompoundLayer layer;
    KTX::PlxFieldInfos fields;
    EXPECT_EQ(layer.Create(KTX::KtExportParams()), 0);
    EXPECT_EQ(layer.CreateFields(fields), 0);
}

// The reader a layer builds, by its class; empty for none.
std::string ReaderKind(const KTX::KtReadMAPGISFile* pReader) {
    if (pReader == nullptr)
        return "";
    if (dynamic_cast<const KTX::KtReadWatFile*>(pReader) != nullptr)
        return "WAT";
    if (dynamic_cast<const KTX::KtReadWalFile*>(pReader) != nullptr)
        return "WAL";
    if (dynamic_cast<const KTX::KtReadWapFile*>(pReader) != nullptr)
        return "WAP";
    if (dynamic_cast<const KTX::KtReadWanFile*>(pReader) != nullptr)
        return "WAN";
    return "other";
}

struct ExtReaderCase {
    const char* pszExt;
    const char* pszReader;
};

void PrintTo(const ExtReaderCase& c, std::ostream* pOut) {
    *pOut << '"' << c.pszExt << '"';
}

class LayerBuildReadFile : public ::testing::TestWithParam<ExtReaderCase> {};

TEST_P(LayerBuildReadFile, PicksTheReaderByExtension) {
    CompoundLayer layer;
    std::unique_ptr<KTX::KtReadMAPGISFile> pReader(
        layer.BuildReadFile(PlxUnicodeString::FromUtf8(GetParam().pszExt)));
    EXPECT_EQ(ReaderKind(pReader.get()), GetParam().pszReader);
}

INSTANTIATE_TEST_SUITE_P(Extensions, LayerBuildReadFile,
                         ::testing::Values(ExtReaderCase{"WAT", "WAT"}, ExtReaderCase{"wat", "WAT"},
                                           ExtReaderCase{"WAL", "WAL"}, ExtReaderCase{"wAl", "WAL"},
                                           ExtReaderCase{"Wap", "WAP"}, ExtReaderCase{"wan", "WAN"},
                                           ExtReaderCase{"at2", ""}, ExtReaderCase{"", ""},
                                           ExtReaderCase{"txt", ""}, ExtReaderCase{".wal", ""},
                                           ExtReaderCase{"wal ", ""}));

class LayerDefinition : public ::testing::Test {
protected:
    KTX::KtMapGisImportParams Params(const std::string& strPath) const {
        KTX::KtMapGisImportParams params;
        params.SetFilePathName(PlxUnicodeString::FromUtf8(strPath));
        params.SetImportOrExportCharset(KTX::PLXCharsetUTF8);
        params.SetDestDTName(PlxUnicodeString(u"rivers"));
        return params;
    }
    // A copy of the line test file under another name.
    std::string CopyOfLines(const std::string& strName) {
        std::ifstream in(testfiles::DataFile("wal/basic.wal"), std::ios::binary);
        std::string strBytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
        return dir.Write(strName, strBytes);
    }
    testfiles::TempDir dir;
    CompoundLayer layer;
};

TEST_F(LayerDefinition, NamedAfterTheDestinationWithCompoundType) {
    const KTX::KtFeatureClassDefn* pDefn = layer.ReadLayerDefn(Params(CopyOfLines("ROADS.WAL")));
    ASSERT_EQ(pDefn, &layer.GetFeatureClassDefn());
    EXPECT_EQ(pDefn->GetType(), 149);
    EXPECT_EQ(pDefn->GetName(), PlxUnicodeString(u"rivers"));
    EXPECT_EQ(layer.GetLayerName(), PlxUnicodeString(u"rivers"));
    EXPECT_EQ(pDefn->GetFeatureCount(), 3);
    EXPECT_EQ(layer.m_arrFileIndex.GetSize(), 3);
    EXPECT_EQ(ReaderKind(layer.m_pReadFile), "WAL");
}

TEST_F(LayerDefinition, ExtensionIsJudgedByItsLastThreeCharacters) {
    EXPECT_NE(layer.ReadLayerDefn(Params(CopyOfLines("roads.xwal"))), nullptr);
    EXPECT_EQ(ReaderKind(layer.m_pReadFile), "WAL");
    CompoundLayer network;
    network.ReadLayerDefn(Params(CopyOfLines("roads.xwan")));
    EXPECT_EQ(ReaderKind(network.m_pReadFile), "WAN");
    CompoundLayer other;
    EXPECT_EQ(other.ReadLayerDefn(Params(CopyOfLines("roads.wal2"))), nullptr);
    EXPECT_EQ(other.m_pReadFile, nullptr);
    CompoundLayer bare;
    EXPECT_EQ(bare.ReadLayerDefn(Params(CopyOfLines("roadswal"))), nullptr);
    EXPECT_EQ(bare.m_pReadFile, nullptr);
}

TEST_F(LayerDefinition, UnknownExtensionChangesNothing) {
    EXPECT_EQ(layer.ReadLayerDefn(Params(CopyOfLines("roads.shp"))), nullptr);
    EXPECT_EQ(layer.m_pReadFile, nullptr);
    EXPECT_EQ(layer.m_arrFileIndex.GetSize(), 0);
    EXPECT_EQ(layer.GetFeatureClassDefn().GetType(), 0);
    EXPECT_TRUE(layer.GetLayerName().IsEmpty());
}

TEST_F(LayerDefinition, FailedPreReadKeepsTheReaderForTheDestructor) {
    EXPECT_EQ(layer.ReadLayerDefn(Params(dir.Path() + "/absent.wal")), nullptr);
    EXPECT_NE(layer.m_pReadFile, nullptr);
    EXPECT_NE(layer.GetFeatureClassDefn().GetType(), 149);
}

TEST_F(LayerDefinition, PresentReaderIsUsedWhateverTheExtension) {
    layer.m_pReadFile = new KTX::KtReadWalFile();
    EXPECT_NE(layer.ReadLayerDefn(Params(CopyOfLines("roads.dat"))), nullptr);
    EXPECT_EQ(layer.GetFeatureClassDefn().GetFeatureCount(), 3);
}

TEST_F(LayerDefinition, OtherImportParametersAreRefused) {
    KTX::KtImportParams params;
    params.SetFilePathName(PlxUnicodeString::FromUtf8(CopyOfLines("roads.wal")));
    EXPECT_EQ(layer.ReadLayerDefn(params), nullptr);
}

}  // namespace
