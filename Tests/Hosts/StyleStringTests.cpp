// Style strings and plain style values of hand-built host geometries.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisstyle.h"
#include "ogr_featurestyle.h"

using namespace KTX;

namespace {

KtGeoLine* StyledLine(PLXCOLOR color, double dWidth, int nLineStyle) {
    auto* pLine = new KtGeoLine;
    pLine->Make(PlxPoint2D(0, 0), PlxPoint2D(1, 1));
    KtStyle style;
    style.SetLineColor(color);
    style.SetLineWidth(dWidth);
    style.SetLineStyle(nLineStyle);
    pLine->SetStyle(&style);
    return pLine;
}

KtGeoPoint* NetworkNode(double x) {
    auto* pPoint = new KtGeoPoint;
    pPoint->Make(x, 0);
    KtStyle style;
    style.SetMarkerHeight(10.0);
    style.SetMarkerWidth(10.0);
    style.SetMarkerStyle(KtStyle::MarkerNetworkNode);
    pPoint->SetStyle(&style);
    return pPoint;
}

}  // namespace

TEST(StyleString, ColoursArePackedRedFirst) {
    EXPECT_EQ(mapgis::ColorToHex(PLXRGB(0x12, 0x34, 0x56)), "#123456");
    EXPECT_EQ(mapgis::ColorToHex(0x00FF0000u), "#0000FF");  // 0x00BBGGRR: blue
}

// Pens and brushes hold only what the style set, and only with a colour QGIS can paint (it
// draws a pen without colour black); line style 1 is no pen at all.
TEST(StyleString, PenAndBrushNeedTheirColours) {
    struct Case {
        const char* pszName;
        bool bRegion;
        std::function<void(KtStyle&)> set;
        const char* pszExpected;
    };
    const Case kCases[] = {
        {"dashed pen", false,
         [](KtStyle& s) {
             s.SetLineColor(PLXRGB(255, 0, 0));
             s.SetLineWidth(0.5);
             s.SetLineStyle(2);
         },
         "PEN(c:#FF0000,w:0.5mm,p:\"4 2mm\",id:\"ogr-pen-2\")"},
        {"colour only", false, [](KtStyle& s) { s.SetLineColor(PLXRGB(0, 128, 0)); },
         "PEN(c:#008000)"},
        {"width without colour", false,
         [](KtStyle& s) {
             s.SetLineWidth(1.5);
             s.SetLineStyle(2);
         },
         ""},
        {"no style", false, [](KtStyle&) {}, ""},
        {"line style none", false,
         [](KtStyle& s) {
             s.SetLineColor(PLXRGB(255, 0, 0));
             s.SetLineStyle(1);
         },
         ""},
        {"pen and hatched fill", true,
         [](KtStyle& s) {
             s.SetFillForeColor(PLXRGB(0, 255, 255));
             s.SetLineColor(PLXRGB(0, 255, 255));
             s.SetFillStyle(3);
         },
         "PEN(c:#00FFFF);BRUSH(fc:#00FFFF,id:\"ogr-brush-3\")"},
        {"fill without colour", true,
         [](KtStyle& s) {
             s.SetLineColor(PLXRGB(255, 0, 0));
             s.SetFillStyle(0);
         },
         "PEN(c:#FF0000)"},
        {"region line style none", true,
         [](KtStyle& s) {
             s.SetLineColor(PLXRGB(255, 0, 0));
             s.SetLineStyle(1);
             s.SetFillForeColor(PLXRGB(0, 0, 255));
         },
         "BRUSH(fc:#0000FF)"},
    };
    for (const Case& c : kCases) {
        KtStyle style;
        c.set(style);
        KtGeoRegion region;
        KtGeoLine line;
        const PlxPoint2D ring[] = {{0, 0}, {1, 0}, {1, 1}};
        region.AddSub(ring, 3);
        line.Make(ring, 2);
        KtGeometry& geom = c.bRegion ? static_cast<KtGeometry&>(region) : line;
        geom.SetStyle(&style);
        EXPECT_EQ(mapgis::StyleString(geom), c.pszExpected) << c.pszName;
    }
}

// Each of OGR's line styles as a dash pattern in millimetres, read back through GDAL's own
// style-string parser, which is what QGIS asks for the pattern.
TEST(StyleString, LineStylesHaveDashPatterns) {
    const std::pair<int, const char*> kPatterns[] = {
        {0, nullptr},
        {2, "4 2mm"},
        {3, "2 2mm"},
        {4, "8 2mm"},
        {5, "0.5 1.5mm"},
        {6, "4 1.5 0.5 1.5mm"},
        {7, "4 1.5 0.5 1.5 0.5 1.5mm"},
        {8, "1 1mm"},
        {9, nullptr},  // no such style: its number only
    };
    for (const auto& [nStyle, pszPattern] : kPatterns) {
        std::unique_ptr<KtGeoLine> line(StyledLine(PLXRGB(0, 0, 255), 0.15, nStyle));
        const std::string strStyle = mapgis::StyleString(*line);
        OGRStyleMgr mgr;
        ASSERT_TRUE(mgr.InitStyleString(strStyle.c_str())) << strStyle;
        ASSERT_EQ(mgr.GetPartCount(), 1) << strStyle;
        std::unique_ptr<OGRStyleTool> tool(mgr.GetPart(0));
        ASSERT_EQ(tool->GetType(), OGRSTCPen) << strStyle;
        auto* pPen = static_cast<OGRStylePen*>(tool.get());
        GBool bDefault = TRUE;
        const char* pszGot = pPen->Pattern(bDefault);
        if (pszPattern == nullptr) {
            EXPECT_TRUE(bDefault) << strStyle;
        } else {
            EXPECT_FALSE(bDefault) << strStyle;
            EXPECT_STREQ(pszGot, pszPattern) << strStyle;
        }
        EXPECT_STREQ(pPen->Id(bDefault), ("ogr-pen-" + std::to_string(nStyle)).c_str());
        EXPECT_STREQ(pPen->Color(bDefault), "#0000FF");
        // The width keeps its unit: 0.15 mm, which GDAL's parser gives in its ground units.
        pPen->SetUnit(OGRSTUMM);
        EXPECT_NEAR(pPen->Width(bDefault), 0.15, 1e-9) << strStyle;
    }
}

TEST(StyleString, SubMapAndNetworkNodeAreSymbols) {
    KtGeoPoint subMap;
    subMap.Make(1, 2);
    KtStyle style;
    style.SetLineColor(PLXRGB(255, 0, 0));
    style.SetLineWidth(0.5);
    style.SetMarkerHeight(4.0);
    style.SetMarkerWidth(3.0);
    style.SetMarkerAngle(45.0);
    style.SetMarkerStyle(7);
    subMap.SetStyle(&style);
    EXPECT_EQ(mapgis::StyleString(subMap), "SYMBOL(id:\"ogr-sym-7\",c:#FF0000,s:4mm,a:45)");
    std::unique_ptr<KtGeoPoint> node(NetworkNode(0));
    EXPECT_EQ(mapgis::StyleString(*node), "SYMBOL(id:\"ogr-sym-3\",s:10mm)");
}

TEST(StyleString, TextGivesOneLabelPerSubText) {
    KtGeoText text;
    text.Make(u"H", {0, 0}, 15.0);
    text.AddSub(u"2\"O", {1, 0}, 15.0);
    EXPECT_EQ(mapgis::StyleString(text), "LABEL(t:\"H\",a:15);LABEL(t:\"2\\\"O\",a:15)");
    KtTextStyle style;
    style.SetForeColor(PLXRGB(0, 0, 255));
    style.SetHeight(3.0);
    style.SetFaceName(u"SimHei");
    style.SetItalic(true);
    text.SetTextStyle(&style, false);
    EXPECT_EQ(mapgis::StyleString(text),
              "LABEL(f:\"SimHei\",s:3g,t:\"H\",a:15,c:#0000FF,it:1);"
              "LABEL(f:\"SimHei\",s:3g,t:\"2\\\"O\",a:15,c:#0000FF,it:1)");
}

TEST(StyleString, CompoundCombinesItsPartsEachPenOnce) {
    KtGeoCompound network;
    network.AddCompound(StyledLine(PLXRGB(255, 255, 0), 5.0, 0), true);
    network.AddCompound(StyledLine(PLXRGB(0, 255, 255), 3.0, 2), true);
    network.AddCompound(StyledLine(PLXRGB(255, 255, 0), 5.0, 0), true);
    network.AddCompound(NetworkNode(0), true);
    network.AddCompound(NetworkNode(1), true);
    EXPECT_EQ(mapgis::StyleString(network),
              "PEN(c:#FFFF00,w:5mm,id:\"ogr-pen-0\");"
              "PEN(c:#00FFFF,w:3mm,p:\"4 2mm\",id:\"ogr-pen-2\");"
              "SYMBOL(id:\"ogr-sym-3\",s:10mm)");
}

TEST(StyleAttributes, FirstPartThatSetsAValueWins) {
    KtGeoCompound compound;
    compound.AddCompound(StyledLine(PLXRGB(255, 0, 0), 0.5, 2), true);
    auto* pCircle = new KtGeoCircle;
    pCircle->Make({0, 0}, 1.0);
    KtStyle fill;
    fill.SetLineColor(PLXRGB(0, 255, 0));
    fill.SetFillForeColor(PLXRGB(0, 0, 255));
    pCircle->SetStyle(&fill);
    compound.AddCompound(pCircle, true);
    auto* pText = new KtGeoText;
    pText->Make(u"AB", {0, 0}, 30.0);
    pText->AddSub(u"C", {1, 0}, 40.0);
    compound.AddCompound(pText, true);
    const mapgis::StyleAttributes attrs = mapgis::CollectStyleAttributes(compound);
    EXPECT_EQ(attrs.color.value_or("-"), "#FF0000");
    EXPECT_EQ(attrs.fillColor.value_or("-"), "#0000FF");
    EXPECT_EQ(attrs.lineWidth.value_or(-1), 0.5);
    EXPECT_EQ(attrs.lineStyle.value_or(-1), 2);
    EXPECT_FALSE(attrs.fillStyle.has_value());
    EXPECT_EQ(attrs.text.value_or("-"), "ABC");
    EXPECT_EQ(attrs.textAngle.value_or(-1), 30.0);
    EXPECT_FALSE(attrs.textHeight.has_value());
    EXPECT_STREQ(mapgis::GeometryKindName(compound.GetType()), "compound");
}
