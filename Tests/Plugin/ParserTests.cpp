// The parser: which layers Open keeps, and who frees them.
#include <gtest/gtest.h>

#include <string>

#include "KtFileParserMapGis.h"
#include "KtMapGisCADFileLayer.h"
#include "KtMapGisLineLayer.h"
#include "KtMapGisPointLayer.h"
#include "KtMapGisRegionLayer.h"
#include "KtMapGisTextLayer.h"
#include "TestFiles.h"

namespace {

using KTX::KtFileParserMapGis;
using KTX::KtMapGisImportParams;
using KTX::PlxUnicodeString;

KtMapGisImportParams Params(const std::string& strPath, int nMode) {
    KtMapGisImportParams params;
    params.SetFilePathName(PlxUnicodeString::FromUtf8(strPath));
    params.SetImportMode(nMode);
    params.SetImportOrExportCharset(KTX::PLXCharsetUTF8);
    params.SetDestDTName(PlxUnicodeString::FromUtf8("roads"));
    return params;
}

class Parser : public ::testing::Test {
protected:
    ~Parser() override { parser.Close(); }

    const std::string strLines = testfiles::DataFile("wal/basic.wal");
    KtFileParserMapGis parser;
};

TEST_F(Parser, CompoundModeKeepsOneLayerForALineFile) {
    EXPECT_TRUE(parser.Open(Params(strLines, KTX::KTIMPORT_CAD)));
    ASSERT_EQ(parser.GetLayerCount(), 1);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisCADFileLayer*>(parser.GetLayer(0)), nullptr);
    EXPECT_EQ(parser.GetLayer(0)->GetFeatureClassDefn().GetType(), 149);
}

TEST_F(Parser, AnyNonZeroModeIsCompound) {
    EXPECT_TRUE(parser.Open(Params(strLines, -4)));
    ASSERT_EQ(parser.GetLayerCount(), 1);
    EXPECT_EQ(parser.GetLayer(0)->GetFeatureClassDefn().GetType(), 149);
}

TEST_F(Parser, CompoundModeFailsWithoutReader) {
    testfiles::TempDir dir;
    const std::string strText = dir.Write("notes.txt", "WMAP lines\n1\n");
    EXPECT_FALSE(parser.Open(Params(strText, KTX::KTIMPORT_CAD)));
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

TEST_F(Parser, CompoundModeFailsForAMissingFile) {
    testfiles::TempDir dir;
    EXPECT_FALSE(parser.Open(Params(dir.Path() + "/absent.wal", KTX::KTIMPORT_CAD)));
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

TEST_F(Parser, TypedModeKeepsTheLineLayerOfALineFile) {
    EXPECT_TRUE(parser.Open(Params(strLines, KTX::KTIMPORT_TYPED)));
    ASSERT_EQ(parser.GetLayerCount(), 1);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisLineLayer*>(parser.GetLayer(0)), nullptr);
    EXPECT_EQ(parser.GetLayer(0)->GetLayerName(), PlxUnicodeString(u"roadsL"));
}

TEST_F(Parser, TypedModeKeepsTheRegionLayerOfAnAreaFile) {
    EXPECT_TRUE(parser.Open(Params(std::string(MAPGIS_SAMPLES_DIR) + "/sample.wap", 0)));
    ASSERT_EQ(parser.GetLayerCount(), 1);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisRegionLayer*>(parser.GetLayer(0)), nullptr);
    EXPECT_EQ(parser.GetLayer(0)->GetFeatureClassDefn().GetType(), 5);
    EXPECT_EQ(parser.GetLayer(0)->GetLayerName(), PlxUnicodeString(u"roadsR"));
}

TEST_F(Parser, TypedModeKeepsFourLayersForAFileOfEveryKind) {
    EXPECT_TRUE(parser.Open(Params(testfiles::DataFile("wat/kinds.wat"), 0)));
    ASSERT_EQ(parser.GetLayerCount(), 4);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisPointLayer*>(parser.GetLayer(0)), nullptr);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisLineLayer*>(parser.GetLayer(1)), nullptr);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisRegionLayer*>(parser.GetLayer(2)), nullptr);
    EXPECT_NE(dynamic_cast<KTX::KtMapGisTextLayer*>(parser.GetLayer(3)), nullptr);
    const char16_t* names[] = {u"roadsP", u"roadsL", u"roadsR", u"roadsT"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(parser.GetLayer(i)->GetLayerName(), PlxUnicodeString(names[i]));
}

TEST_F(Parser, TypedModeWithoutReaderSucceedsWithNoLayer) {
    testfiles::TempDir dir;
    const std::string strText = dir.Write("notes.txt", "WMAP lines\n1\n");
    EXPECT_TRUE(parser.Open(Params(strText, KTX::KTIMPORT_TYPED)));
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

TEST_F(Parser, SecondOpenAppendsAndCloseFreesEverything) {
    ASSERT_TRUE(parser.Open(Params(strLines, KTX::KTIMPORT_CAD)));
    ASSERT_TRUE(parser.Open(Params(strLines, KTX::KTIMPORT_TYPED)));
    ASSERT_EQ(parser.GetLayerCount(), 2);
    EXPECT_EQ(parser.GetLayer(0)->GetFeatureClassDefn().GetType(), 149);
    EXPECT_EQ(parser.GetLayer(1)->GetFeatureClassDefn().GetType(), 3);

    parser.Close();
    EXPECT_EQ(parser.GetLayerCount(), 0);
    parser.Close();
    EXPECT_EQ(parser.GetLayerCount(), 0);

    // Closed, the parser opens again.
    EXPECT_TRUE(parser.Open(Params(strLines, KTX::KTIMPORT_CAD)));
    EXPECT_EQ(parser.GetLayerCount(), 1);
}

TEST_F(Parser, WritesNothing) {
    EXPECT_EQ(parser.Create(nullptr, nullptr), 1);
    KTX::KtFeatureClassDefn defn;
    EXPECT_EQ(parser.CreateLayer(&defn), nullptr);
    EXPECT_EQ(parser.CreateLayer(&defn, KTX::PLXCharsetUTF8), nullptr);
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

}  // namespace
