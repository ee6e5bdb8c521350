// Host geometries built by hand, converted to OGR geometries, styles and style values.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisfonts.h"
#include "mapgisgeometry.h"
#include "mapgisstyle.h"

using namespace KTX;
using mapgis::LayerKind;

namespace {

// As the compound layer converts it, or a typed layer of that kind.
std::string Convert(const KtGeometry& geom, std::optional<LayerKind> kind = std::nullopt,
                    std::vector<std::string>* pWarnings = nullptr) {
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = kind ? mapgis::ToLayerGeometry(geom, *kind, warnings)
                                               : mapgis::ToOgrGeometry(geom, warnings);
    if (pWarnings != nullptr)
        *pWarnings = warnings;
    return poGeom == nullptr ? "(null)" : poGeom->exportToWkt();
}

KtGeoLine* MakeLine(std::vector<PlxPoint2D> points) {
    auto* pLine = new KtGeoLine;
    pLine->Make(points.data(), static_cast<int>(points.size()));
    return pLine;
}

KtGeoLine* StyledLine(PLXCOLOR color, double dWidth, int nLineStyle) {
    KtGeoLine* pLine = MakeLine({{0, 0}, {1, 1}});
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

// A lone line and a circle: the dumps of DriverReadTests.cpp.
TEST(GeometryConversion, PointsLinesAndTexts) {
    KtGeoPoint point;
    point.Make(39511100.0, 3420050.5);
    EXPECT_EQ(Convert(point), "POINT (39511100.0 3420050.5)");
    std::unique_ptr<KtGeoLine> line(MakeLine({{0, 0}, {10, 5}, {20, 0}}));
    const PlxPoint2D second[] = {{1, 1}, {2, 2}};
    line->AddSub(second, 2);
    EXPECT_EQ(Convert(*line), "MULTILINESTRING ((0 0,10 5,20 0),(1 1,2 2))");
    // Texts become their anchors.
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"Qinghe", {523412.5, 3364184.25}, 30.0));
    EXPECT_EQ(Convert(text), "POINT (523412.5 3364184.25)");
    ASSERT_TRUE(text.AddSub(u"Bridge", {523412.5, 3364180.0}, 30.0));
    EXPECT_EQ(Convert(text), "MULTIPOINT (523412.5 3364184.25,523412.5 3364180.0)");
}

// Rings of every kind through the driver: DriverReadTests.cpp.
TEST(GeometryConversion, RegionOfDegenerateRingsOnlyIsEmpty) {
    KtGeoRegion region;
    const PlxPoint2D twoPoints[] = {{1, 1}, {2, 2}};
    region.AddSub(twoPoints, 2);
    std::vector<std::string> warnings;
    EXPECT_EQ(Convert(region, {}, &warnings), "POLYGON EMPTY");
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(GeometryConversion, FullArcEndsExactlyWhereItStarts) {
    KtGeoArc arc;
    ASSERT_TRUE(arc.Make({0, 0}, 5.0, 45.0, 45.0));
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToOgrGeometry(arc, warnings);
    const auto* poArc = poGeom->toCircularString();
    ASSERT_EQ(poArc->getNumPoints(), 3);
    EXPECT_EQ(poArc->getX(0), poArc->getX(2));
    EXPECT_EQ(poArc->getY(0), poArc->getY(2));
    // The middle point of a full circle is the opposite one.
    EXPECT_NEAR(poArc->getX(1), -5.0 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(poArc->getY(1), -5.0 * std::sqrt(0.5), 1e-9);
}

TEST(GeometryConversion, CompoundBecomesCollectionOfItsParts) {
    KtGeoCompound compound;
    compound.AddCompound(MakeLine({{0, 0}, {1, 1}}), true);
    auto* pPoint = new KtGeoPoint;
    pPoint->Make(2, 2);
    compound.AddCompound(pPoint, true);
    EXPECT_EQ(Convert(compound), "GEOMETRYCOLLECTION (LINESTRING (0 0,1 1),POINT (2 2))");
}

TEST(GeometryConversion, TypedLayersGetTheirOneType) {
    // A line in the line layer: the typed dump of DriverReadTests.cpp.
    std::unique_ptr<KtGeoLine> line(MakeLine({{0, 0}, {4, 0}, {4, 4}, {0, 0}}));
    // A closed line in the region layer (an unfilled circle reshaped) becomes a ring.
    EXPECT_EQ(Convert(*line, LayerKind::Region), "POLYGON ((0 0,4 0,4 4,0 0))");
    KtGeoText text;
    text.Make(u"A", {1, 2}, 0.0);
    EXPECT_EQ(Convert(text, LayerKind::Text), "MULTIPOINT (1 2)");
    KtGeoPoint point;
    point.Make(1, 2);
    EXPECT_EQ(Convert(point, LayerKind::Point), "POINT (1 2)");
    // What has no form of the layer's type is reported.
    KtGeoCompound nodesOnly;
    for (int i = 0; i < 2; ++i) {
        auto* pPoint = new KtGeoPoint;
        pPoint->Make(i, i);
        nodesOnly.AddCompound(pPoint, true);
    }
    std::vector<std::string> warnings;
    EXPECT_EQ(Convert(nodesOnly, LayerKind::Line, &warnings), "(null)");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("compound"), std::string::npos) << warnings[0];
    EXPECT_EQ(Convert(*line, LayerKind::Point, &warnings), "(null)");
    EXPECT_EQ(warnings.size(), 1u);
}

// Pens and brushes hold only what the style set, and only with a colour QGIS can paint (it
// draws a pen without colour black); line style 1 is no pen at all. -1: not set.
TEST(StyleString, PenAndBrushNeedTheirColours) {
    constexpr PLXCOLOR kUnset = 0xFFFFFFFFu;
    const struct {
        bool bRegion;
        PLXCOLOR line;
        double dWidth;
        int nLineStyle;
        PLXCOLOR fill;
        int nFillStyle;
        const char* pszExpected;
    } kCases[] = {
        {false, PLXRGB(0, 128, 0), -1, -1, kUnset, -1, "PEN(c:#008000)"},
        {false, kUnset, 1.5, 2, kUnset, -1, ""},
        {false, kUnset, -1, -1, kUnset, -1, ""},
        {false, PLXRGB(255, 0, 0), -1, 1, kUnset, -1, ""},
        {true, PLXRGB(0, 255, 255), -1, -1, PLXRGB(0, 255, 255), 3,
         "PEN(c:#00FFFF);BRUSH(fc:#00FFFF,id:\"ogr-brush-3\")"},
        {true, PLXRGB(255, 0, 0), -1, -1, kUnset, 0, "PEN(c:#FF0000)"},
        {true, PLXRGB(255, 0, 0), -1, 1, PLXRGB(0, 0, 255), -1, "BRUSH(fc:#0000FF)"},
    };
    for (const auto& c : kCases) {
        KtStyle style;
        if (c.line != kUnset)
            style.SetLineColor(c.line);
        if (c.dWidth >= 0)
            style.SetLineWidth(c.dWidth);
        if (c.nLineStyle >= 0)
            style.SetLineStyle(c.nLineStyle);
        if (c.fill != kUnset)
            style.SetFillForeColor(c.fill);
        if (c.nFillStyle >= 0)
            style.SetFillStyle(c.nFillStyle);
        KtGeoRegion region;
        KtGeoLine line;
        const PlxPoint2D ring[] = {{0, 0}, {1, 0}, {1, 1}};
        region.AddSub(ring, 3);
        line.Make(ring, 2);
        KtGeometry& geom = c.bRegion ? static_cast<KtGeometry&>(region) : line;
        geom.SetStyle(&style);
        EXPECT_EQ(mapgis::StyleString(geom), c.pszExpected) << (&c - kCases);
    }
}

// Each of OGR's line styles as a dash pattern in millimetres, with one unit after the last
// number, the only form QGIS reads; a style without a pattern gives its number only.
TEST(StyleString, LineStylesHaveDashPatterns) {
    const std::pair<int, std::string> kPatterns[] = {
        {0, ""},
        {2, "4 2mm"},
        {3, "2 2mm"},
        {4, "8 2mm"},
        {5, "0.5 1.5mm"},
        {6, "4 1.5 0.5 1.5mm"},
        {7, "4 1.5 0.5 1.5 0.5 1.5mm"},
        {8, "1 1mm"},
        {9, ""},
    };
    for (const auto& [nStyle, strPattern] : kPatterns) {
        std::unique_ptr<KtGeoLine> line(StyledLine(PLXRGB(0, 0, 255), 0.15, nStyle));
        EXPECT_EQ(mapgis::StyleString(*line),
                  "PEN(c:#0000FF,w:0.15mm," +
                      (strPattern.empty() ? "" : "p:\"" + strPattern + "\",") + "id:\"ogr-pen-" +
                      std::to_string(nStyle) + "\")");
    }
}

// A network node's symbol: CompoundCombinesItsPartsEachPenOnce.
TEST(StyleString, SubMapIsASymbol) {
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

// MODE=MAP's values take the place of their key's parameter or follow the others; repeats
// are told by the reader's values; only the layer's tools are written.
TEST(MapStyleString, ValuesTakeTheirParametersPlaceOrFollow) {
    mapgis::FontTable fonts;
    std::string strWhy;
    ASSERT_TRUE(fonts.AddLine("SimSun=Song \"Family\"", &strWhy)) << strWhy;
    mapgis::MapTools texts;
    texts.bLabels = true;
    texts.color = "#FF0000";
    texts.pFonts = &fonts;
    KtGeoText text;
    text.Make(u"x,\"y;\"", {0, 0}, 15.0);
    KtTextStyle textStyle;
    textStyle.SetForeColor(PLXRGB(0, 0, 0));
    textStyle.SetHeight(3.0);
    textStyle.SetFaceName(u"SimSun");
    text.SetTextStyle(&textStyle, false);
    std::vector<mapgis::MapLabel> labels;
    EXPECT_EQ(mapgis::MapStyleString(&text, texts, &labels),
              R"(LABEL(f:"Song \"Family\"",s:3g,t:"x,\"y;\"",a:15,c:#FF0000))");
    ASSERT_EQ(labels.size(), 1U);
    EXPECT_EQ(labels[0].strText, "x,\"y;\"");
    EXPECT_EQ(labels[0].dfAngle, 15.0);
    EXPECT_EQ(labels[0].height.value_or(-1), 3.0);
    EXPECT_EQ(labels[0].strColor, "#FF0000");
    EXPECT_EQ(labels[0].strFont, "Song \"Family\"");
    KtGeoText plain;
    plain.Make(u"a", {0, 0}, 0.0);
    EXPECT_EQ(mapgis::MapStyleString(&plain, texts), R"(LABEL(t:"a",a:0,c:#FF0000))");

    mapgis::MapTools areas;
    areas.bPens = areas.bBrushes = true;
    areas.color = "#FF0000";
    areas.width = "0.25mm";
    std::unique_ptr<KtGeoLine> dashed(StyledLine(PLXRGB(0, 0, 0), 3.0, 2));
    EXPECT_EQ(mapgis::MapStyleString(dashed.get(), areas),
              R"(PEN(c:#FF0000,w:0.25mm,p:"4 2mm",id:"ogr-pen-2"))");
    // Without a geometry a layer of lines still gets a pen of the item's colour.
    mapgis::MapTools lines = areas;
    lines.bBrushes = false;
    EXPECT_EQ(mapgis::MapStyleString(nullptr, lines), "PEN(c:#FF0000,w:0.25mm)");
    mapgis::MapTools symbols;
    symbols.bSymbols = true;
    symbols.color = "#FF0000";
    EXPECT_EQ(mapgis::MapStyleString(nullptr, symbols), "");
    lines.color.reset();
    std::unique_ptr<KtGeoLine> thin(MakeLine({{0, 0}, {1, 1}}));
    KtStyle penOnly;
    penOnly.SetLineColor(PLXRGB(0, 0, 0));
    thin->SetStyle(&penOnly);
    EXPECT_EQ(mapgis::MapStyleString(thin.get(), lines), "PEN(c:#000000,w:0.25mm)");

    // Two pens alike only in the item's colour both stay; the exact repeat goes; the labels
    // and symbols are not the lines layer's.
    lines.color = "#FF0000";
    lines.width.reset();
    KtGeoCompound network;
    network.AddCompound(StyledLine(PLXRGB(255, 255, 0), 5.0, 0), true);
    network.AddCompound(StyledLine(PLXRGB(0, 255, 255), 5.0, 0), true);
    network.AddCompound(StyledLine(PLXRGB(255, 255, 0), 5.0, 0), true);
    network.AddCompound(NetworkNode(0), true);
    auto* pName = new KtGeoText;
    pName->Make(u"n", {0, 0}, 0.0);
    network.AddCompound(pName, true);
    EXPECT_EQ(mapgis::MapStyleString(&network, lines),
              R"(PEN(c:#FF0000,w:5mm,id:"ogr-pen-0");PEN(c:#FF0000,w:5mm,id:"ogr-pen-0"))");
    EXPECT_FALSE(mapgis::DrawsFill(network));
    auto* pDisc = new KtGeoCircle;
    pDisc->Make({0, 0}, 1.0);
    KtStyle fill;
    fill.SetFillForeColor(PLXRGB(0, 0, 255));
    pDisc->SetStyle(&fill);
    network.AddCompound(pDisc, true);
    EXPECT_TRUE(mapgis::DrawsFill(network));
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
}
