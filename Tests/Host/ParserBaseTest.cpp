// Base classes of parsers, layers and factories: the behaviour a plug-in inherits.
#include <gtest/gtest.h>

#include "KtFileParseFactory.h"
#include "KtFileParser.h"
#include "KtGeoPoint.h"
#include "KtVectorFileLayer.h"

using namespace KTX;

namespace {

// A layer of three point features that reads them with a forward cursor.
class ThreePointLayer : public KtVectorFileLayer {
public:
    int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int) override {
        int nRead = 0;
        for (KtFeature* pFeature : arrFeatures) {
            if (m_nCurrentFeature >= m_FeatureClassDefn.GetFeatureCount())
                break;
            auto* point = new KtGeoPoint;
            point->Make(m_nCurrentFeature, 0);
            pFeature->SetGeometry(point);
            ++m_nCurrentFeature;
            ++nRead;
        }
        return nRead;
    }
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override {
        m_FeatureClassDefn.SetType(KTLAYER_POINT);
        m_FeatureClassDefn.SetFeatureCount(3);
        m_FeatureClassDefn.SetName(params.GetDestDTName());
        SetLayerName(params.GetDestDTName());
        return &m_FeatureClassDefn;
    }
};

TEST(VectorFileLayer, CursorAndProgress) {
    ThreePointLayer layer;
    KtImportParams params;
    params.SetDestDTName(u"roads");
    ASSERT_NE(layer.ReadLayerDefn(params), nullptr);
    EXPECT_EQ(layer.GetType(), KTLAYER_POINT);
    EXPECT_EQ(layer.GetFileLength(), 3);
    EXPECT_EQ(layer.GetCurFilePosition(), 0);

    KtFeature a, b;
    ASSERT_TRUE(layer.ReadOneFeature(&a));
    ASSERT_TRUE(layer.ReadOneFeature(&b));
    EXPECT_EQ(static_cast<KtGeoPoint*>(b.GetGeometry())->GetPoint().x, 1);
    EXPECT_EQ(layer.GetCurFilePosition(), 2);
    EXPECT_FALSE(layer.ReadOneFeature(nullptr));
    EXPECT_EQ(layer.GetCurFilePosition(), 2);

    KtFeature c, d;
    ASSERT_TRUE(layer.ReadOneFeature(&c));
    EXPECT_FALSE(layer.ReadOneFeature(&d));
    EXPECT_EQ(d.GetGeometry(), nullptr);

    layer.ResetReading();
    EXPECT_EQ(layer.GetCurFilePosition(), 0);
    KtFeature again;
    ASSERT_TRUE(layer.ReadOneFeature(&again));
    EXPECT_EQ(static_cast<KtGeoPoint*>(again.GetGeometry())->GetPoint().x, 0);
}

TEST(VectorFileLayer, ExportDoesNothing) {
    ThreePointLayer layer;
    EXPECT_EQ(layer.Create(KtExportParams()), 0);
    PlxFieldInfos infos;
    EXPECT_EQ(layer.CreateFields(infos), 0);
    EXPECT_EQ(layer.GetSpatialRef(), nullptr);
    EXPECT_EQ(layer.GetType(), 0);
}

// A parser with two layers, deleted on Close.
class TwoLayerParser : public KtFileParseVector {
public:
    ~TwoLayerParser() override {
        Close();
        ++s_nDestroyed;
    }
    bool Open(const KtImportParams&) override {
        for (const char16_t* name : {u"Roads", u"Rivers"}) {
            auto* layer = new ThreePointLayer;
            layer->SetLayerName(name);
            m_arrLayers.Add(layer);
        }
        return true;
    }
    void Close() override {
        for (KtVectorFileLayer* layer : m_arrLayers)
            delete layer;
        m_arrLayers.RemoveAll();
    }
    static int s_nDestroyed;
};
int TwoLayerParser::s_nDestroyed = 0;

TEST(FileParseVector, LayerListAndNoExport) {
    TwoLayerParser parser;
    EXPECT_EQ(parser.GetLayerCount(), 0);
    ASSERT_TRUE(parser.Open(KtImportParams()));
    EXPECT_EQ(parser.GetFileGroup(), 0);
    ASSERT_EQ(parser.GetLayerCount(), 2);
    EXPECT_EQ(parser.GetLayer(1)->GetLayerName(), PlxUnicodeString(u"Rivers"));
    EXPECT_EQ(parser.GetLayer(2), nullptr);
    EXPECT_EQ(parser.GetLayer(-1), nullptr);
    EXPECT_EQ(parser.GetLayerByName(u"Roads"), parser.GetLayer(0));
    EXPECT_EQ(parser.GetLayerByName(u"roads"), nullptr);
    EXPECT_EQ(parser.GetLayerByName(u"Road"), nullptr);

    EXPECT_EQ(parser.Create(nullptr, nullptr), 0);
    KtFeatureClassDefn defn;
    EXPECT_EQ(parser.CreateLayer(&defn), nullptr);
    EXPECT_EQ(parser.CreateLayer(&defn, PLXCharsetUTF8), nullptr);
    EXPECT_FALSE(parser.BeginWrite());
    EXPECT_FALSE(parser.EndWrite());
}

class TestFactory : public KtFileParseFactory {
public:
    KtFileParser* CreateFileParser(int nFileType) const override {
        return nFileType == 55 ? new TwoLayerParser : nullptr;
    }
    void GetSupportFileTypes(PlxArray<int>& arrTypes) const override {
        arrTypes.RemoveAll();
        arrTypes.Add(55);
        arrTypes.Add(56);
    }
    void GetSupportFileExtNames(PlxArray<PlxUnicodeString>& arrExtNames) const override {
        arrExtNames.RemoveAll();
        arrExtNames.Add(u"wat");
    }
    int ExtNameToFileType(const PlxUnicodeString& strExtName) const override {
        return strExtName.CompareNoCase(u"wat") == 0 ? 55 : 0;
    }
    PlxUnicodeString FileTypeToExtName(int nFileType) const override {
        return nFileType == 55 ? PlxUnicodeString(u"wat") : PlxUnicodeString();
    }
    PlxUnicodeString GetName() const override { return u"Test"; }
};

TEST(FileParseFactory, SupportQueriesAndDestroy) {
    TestFactory factory;
    EXPECT_TRUE(factory.IsSupportFileType(55));
    EXPECT_TRUE(factory.IsSupportFileType(56));
    EXPECT_FALSE(factory.IsSupportFileType(0));
    EXPECT_TRUE(factory.IsSupportFileExtName(u"WAT"));
    EXPECT_FALSE(factory.IsSupportFileExtName(u"wal"));

    TwoLayerParser::s_nDestroyed = 0;
    KtFileParser* parser = factory.CreateFileParser(55);
    ASSERT_NE(parser, nullptr);
    ASSERT_TRUE(parser->Open(KtImportParams()));
    factory.DestroyFileParser(parser);
    EXPECT_EQ(TwoLayerParser::s_nDestroyed, 1);
    factory.DestroyFileParser(nullptr);
    EXPECT_EQ(TwoLayerParser::s_nDestroyed, 1);
}

}  // namespace
