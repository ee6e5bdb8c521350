// QML and SLD styles of MAPGIS layers, data-defined from the style fields.
#include "styles/QgisStyle.h"

#include <cstring>
#include <vector>

#include "cpl_string.h"
#include "mapgisdriver.h"
#include "styles/QgisExpression.h"

namespace mapgis_import {

namespace {

constexpr const char* kFieldNames[] = {
    "Color",       "FillColor", "LineWidth",  "LineStyle", "FillStyle", "Symbol", "SymbolSize",
    "SymbolAngle", "Text",      "TextHeight", "TextAngle", "FontName",  "Italic", "TextWidth",
};
static_assert(sizeof(kFieldNames) / sizeof(kFieldNames[0]) ==
              static_cast<size_t>(StyleField::Count));

// Host style numbers follow OGR's. Markers have no MAPGIS symbol library here: each number
// gets a legible stand-in, the same in QML and SLD; other numbers draw a filled circle.
struct Marker {
    int nSymbol;
    const char* pszQgis;
    const char* pszSld;
    bool bFilled;
};
constexpr Marker kMarkers[] = {
    {0, "cross", "cross", false},       {1, "cross2", "x", false},
    {2, "circle", "circle", false},     {3, "circle", "circle", true},
    {4, "square", "square", false},     {5, "square", "square", true},
    {6, "triangle", "triangle", false}, {7, "triangle", "triangle", true},
    {8, "star", "star", false},         {9, "star", "star", true},
    {10, "line", "line", false},
};

// Pen styles 0 solid, 1 none, 2 dash, 3 short dash, 4 long dash, 5 dot, 6 dash-dot,
// 7 dash-dot-dot, 8 alternate, as QGIS's pen styles.
constexpr const char* kPenStyles[] = {"solid", "no",       "dash",         "dash", "dash",
                                      "dot",   "dash dot", "dash dot dot", "dot"};
// Fill styles 0 solid, 1 none, 2 to 7 hatches, as QGIS's brush styles.
constexpr const char* kBrushStyles[] = {"solid",      "no",         "horizontal", "vertical",
                                        "f_diagonal", "b_diagonal", "cross",      "diagonal_x"};

constexpr const char* kDefaultSymbol = "circle";
constexpr double kPixelsPerMm = 1 / 0.28;  // SLD's sizes are pixels of 0.28 mm

std::string Xml(const std::string& s) {
    char* psz = CPLEscapeString(s.c_str(), -1, CPLES_XML);
    std::string out = psz;
    CPLFree(psz);
    return out;
}

const std::string& Field(const StyleFields& fields, StyleField eField) {
    return fields[static_cast<size_t>(eField)];
}

bool Has(const StyleFields& fields, StyleField eField) {
    return !Field(fields, eField).empty();
}

// The field in an expression.
std::string Ref(const StyleFields& fields, StyleField eField) {
    return ExpressionField(Field(fields, eField));
}

// A name by number from a table: CASE WHEN "field" = 0 THEN 'a' ... ELSE 'default' END (QGIS's
// expressions know no CASE with an operand).
template <size_t N>
std::string CaseOf(const std::string& strRef, const char* const (&names)[N],
                   const char* pszDefault) {
    std::string out = "CASE";
    for (size_t i = 0; i < N; ++i)
        out += " WHEN " + strRef + " = " + std::to_string(i) + " THEN '" + names[i] + "'";
    return out + " ELSE '" + pszDefault + "' END";
}

std::string OrDefault(const StyleFields& fields, StyleField eField, const std::string& strDefault) {
    return Has(fields, eField) ? "coalesce(" + Ref(fields, eField) + ", " + strDefault + ")"
                               : strDefault;
}

// A data-defined property collection: name and expression of each property.
using Properties = std::vector<std::pair<const char*, std::string>>;

std::string QmlProperties(const char* pszElement, const Properties& props) {
    std::string out = std::string("<") + pszElement + "><Option type=\"Map\">";
    out += "<Option type=\"QString\" name=\"name\" value=\"\"/>";
    out += "<Option type=\"Map\" name=\"properties\">";
    for (const auto& [pszName, strExpression] : props) {
        out += std::string("<Option type=\"Map\" name=\"") + pszName + "\">";
        out += "<Option type=\"bool\" name=\"active\" value=\"true\"/>";
        out +=
            "<Option type=\"QString\" name=\"expression\" value=\"" + Xml(strExpression) + "\"/>";
        out += "<Option type=\"int\" name=\"type\" value=\"3\"/></Option>";
    }
    out += "</Option><Option type=\"QString\" name=\"type\" value=\"collection\"/></Option>";
    return out + "</" + pszElement + ">";
}

using Options = std::vector<std::pair<const char*, std::string>>;

std::string QmlSymbol(const char* pszType, const char* pszLayerClass, const Options& options,
                      const Properties& props, const std::string& strName) {
    std::string out = std::string("<symbol type=\"") + pszType + "\" name=\"" + strName +
                      "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">";
    out += std::string("<layer class=\"") + pszLayerClass +
           "\" enabled=\"1\" locked=\"0\" pass=\"0\"><Option type=\"Map\">";
    for (const auto& [pszName, strValue] : options) {
        out += std::string("<Option type=\"QString\" name=\"") + pszName + "\" value=\"" +
               Xml(strValue) + "\"/>";
    }
    out += "</Option>" + QmlProperties("data_defined_properties", props) + "</layer></symbol>";
    return out;
}

std::string PenStyle(const StyleFields& fields) {
    return Has(fields, StyleField::LineStyle)
               ? CaseOf(Ref(fields, StyleField::LineStyle), kPenStyles, "solid")
               : "'solid'";
}

std::string AreaSymbol(const StyleFields& f, const std::string& strName) {
    // An area without a fill colour (none known, or fill style "none") is drawn as its
    // outline, so that it neither hides what lies under it nor vanishes.
    std::string strUnfilled = "TRUE";
    if (Has(f, StyleField::FillColor)) {
        strUnfilled = Ref(f, StyleField::FillColor) + " IS NULL";
        if (Has(f, StyleField::FillStyle))
            strUnfilled += " OR " + Ref(f, StyleField::FillStyle) + " = 1";
    }
    const std::string strFill = Has(f, StyleField::FillColor)
                                    ? "CASE WHEN " + strUnfilled + " THEN '0,0,0,0' ELSE " +
                                          Ref(f, StyleField::FillColor) + " END"
                                    : "'0,0,0,0'";
    const std::string strBrush = "CASE WHEN " + strUnfilled + " THEN 'no' ELSE " +
                                 (Has(f, StyleField::FillStyle)
                                      ? CaseOf(Ref(f, StyleField::FillStyle), kBrushStyles, "solid")
                                      : std::string("'solid'")) +
                                 " END";
    const std::string strOutline =
        OrDefault(f, StyleField::Color,
                  "CASE WHEN " + strUnfilled + " THEN '128,128,128,255' ELSE '0,0,0,0' END");
    const Properties props = {
        {"fillColor", strFill},        {"fillStyle", strBrush},
        {"outlineColor", strOutline},  {"outlineWidth", OrDefault(f, StyleField::LineWidth, "0.2")},
        {"outlineStyle", PenStyle(f)},
    };
    const Options options = {
        {"color", "0,0,0,0"},       {"style", "solid"},       {"outline_color", "128,128,128,255"},
        {"outline_style", "solid"}, {"outline_width", "0.2"}, {"outline_width_unit", "MM"}};
    return QmlSymbol("fill", "SimpleFill", options, props, strName);
}

std::string LineSymbol(const StyleFields& f, const std::string& strName) {
    const Properties props = {
        {"outlineColor", OrDefault(f, StyleField::Color, "'128,128,128,255'")},
        {"outlineWidth", OrDefault(f, StyleField::LineWidth, "0.2")},
        {"outlineStyle", PenStyle(f)},
    };
    const Options options = {
        {"line_color", "128,128,128,255"}, {"line_width", "0.2"}, {"line_width_unit", "MM"},
        {"line_style", "solid"},           {"capstyle", "round"}, {"joinstyle", "round"}};
    return QmlSymbol("line", "SimpleLine", options, props, strName);
}

std::string MarkerSymbol(const StyleFields& f, const std::string& strName) {
    Properties props;
    // Without a colour source items have no colour: drawn grey, never black.
    const std::string strColor = OrDefault(f, StyleField::Color, "'128,128,128,255'");
    if (Has(f, StyleField::Symbol)) {
        const std::string strSymbol = Ref(f, StyleField::Symbol);
        std::string strShape = "CASE";
        std::string strHollow;
        for (const Marker& m : kMarkers) {
            strShape += " WHEN " + strSymbol + " = " + std::to_string(m.nSymbol) + " THEN '" +
                        m.pszQgis + "'";
            if (!m.bFilled)
                strHollow += (strHollow.empty() ? "" : ", ") + std::to_string(m.nSymbol);
        }
        strShape += std::string(" ELSE '") + kDefaultSymbol + "' END";
        props.emplace_back("name", strShape);
        props.emplace_back("fillColor", "CASE WHEN " + strSymbol + " IN (" + strHollow +
                                            ") THEN '0,0,0,0' ELSE " + strColor + " END");
    } else {
        props.emplace_back("fillColor", strColor);
    }
    props.emplace_back("outlineColor", strColor);
    props.emplace_back("size", OrDefault(f, StyleField::SymbolSize, "2"));
    // MAPGIS angles run counter-clockwise, QGIS's clockwise.
    props.emplace_back("angle", "-" + OrDefault(f, StyleField::SymbolAngle, "0"));
    const Options options = {{"name", kDefaultSymbol},
                             {"color", "128,128,128,255"},
                             {"outline_color", "128,128,128,255"},
                             {"outline_width", "0.2"},
                             {"outline_width_unit", "MM"},
                             {"size", "2"},
                             {"size_unit", "MM"},
                             {"scale_method", "diameter"}};
    return QmlSymbol("marker", "SimpleMarker", options, props, strName);
}

std::string QmlRenderer(Drawing eDrawing, const StyleFields& f) {
    const char* pszSingle =
        "<renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" "
        "enableorderby=\"0\" forceraster=\"0\"><symbols>";
    switch (eDrawing) {
        case Drawing::Areas:
            return pszSingle + AreaSymbol(f, "0") + "</symbols></renderer-v2>";
        case Drawing::Lines:
            return pszSingle + LineSymbol(f, "0") + "</symbols></renderer-v2>";
        case Drawing::Symbols:
            return pszSingle + MarkerSymbol(f, "0") + "</symbols></renderer-v2>";
        case Drawing::Texts:
            return "<renderer-v2 type=\"nullSymbol\"/>";
        case Drawing::Any:
            break;
    }
    // A symbol draws only the geometries of its type: each feature gets the one of its kind.
    // Text anchors are points without a symbol.
    const std::string strSymbolFilter =
        Has(f, StyleField::Text) ? Xml(Ref(f, StyleField::Text) + " IS NULL") : "TRUE";
    return "<renderer-v2 type=\"RuleRenderer\" symbollevels=\"0\" enableorderby=\"0\" "
           "forceraster=\"0\"><rules key=\"root\">"
           "<rule key=\"areas\" label=\"areas\" symbol=\"0\"/>"
           "<rule key=\"lines\" label=\"lines\" symbol=\"1\"/>"
           "<rule key=\"symbols\" label=\"symbols\" symbol=\"2\" filter=\"" +
           strSymbolFilter + "\"/></rules><symbols>" + AreaSymbol(f, "0") + LineSymbol(f, "1") +
           MarkerSymbol(f, "2") + "</symbols></renderer-v2>";
}

// Whether @c, a character's code, is a full-width one, by the driver's own table, in plain
// comparisons that every QGIS 3 reads.
std::string FullWidthCondition() {
    std::string out;
    for (const auto& [first, last] : mapgis::FullWidthRanges()) {
        out += out.empty() ? "" : " OR ";
        out += first == last
                   ? "@c = " + std::to_string(first)
                   : "@c >= " + std::to_string(first) + " AND @c <= " + std::to_string(last);
    }
    return out;
}

// The font stretch, in percent, that gives each character the width MAPGIS gives it: a CJK
// font's glyph is as wide as it is high, a half-width one half as wide. A one-character
// piece is as wide as its character; a longer piece's width is that of its half-width
// characters. QGIS 3.24 and later honour it.
std::string Stretch(const StyleFields& f, const std::string& strFactor) {
    const std::string strText = Ref(f, StyleField::Text);
    return "with_variable('c', CASE WHEN length(" + strText + ") = 1 THEN ascii(" + strText +
           ") ELSE 0 END, round(100 * " + Ref(f, StyleField::TextWidth) + strFactor + " / (" +
           Ref(f, StyleField::TextHeight) + " * CASE WHEN " + FullWidthCondition() +
           " THEN 1 ELSE 0.5 END)))";
}

// A layer in degrees drawn on a map in degrees (QGIS's map when the layer is opened on its
// own): heights, metres, become degrees of latitude at the text's latitude (WGS 84's length
// of a degree of latitude), and texts are stretched by the ratio of a degree of latitude to
// one of longitude, which such a map draws as long. " * factor" on such a map, else nothing.
std::string OnDegrees(bool bDegrees, const char* pszFactor) {
    return bDegrees ? std::string(" * CASE WHEN @map_units = 'degrees' THEN ") + pszFactor +
                          " ELSE 1 END"
                    : std::string();
}

constexpr const char* kDegreesPerMetre =
    "1 / (111132.954 - 559.822 * cos(radians(2 * $y)) + 1.175 * cos(radians(4 * $y)))";
constexpr const char* kLatitudeOverLongitude = "1 / cos(radians($y))";

std::string QmlLabels(const StyleFields& f, bool bDegrees) {
    Properties props = {
        {"Size", OrDefault(f, StyleField::TextHeight, "3") + OnDegrees(bDegrees, kDegreesPerMetre)},
        {"Color", OrDefault(f, StyleField::Color, "'0,0,0,255'")},
        {"LabelRotation", "-" + OrDefault(f, StyleField::TextAngle, "0")},
        // Only texts are labelled: a fraction's bar in the lines carries its text too.
        {"Show", "geometry_type($geometry) = 'Point'"},
    };
    if (Has(f, StyleField::FontName))
        props.emplace_back("Family", Ref(f, StyleField::FontName));
    if (Has(f, StyleField::Italic))
        props.emplace_back("Italic", OrDefault(f, StyleField::Italic, "0"));
    if (Has(f, StyleField::TextWidth) && Has(f, StyleField::TextHeight)) {
        props.emplace_back("FontStretchFactor",
                           Stretch(f, OnDegrees(bDegrees, kLatitudeOverLongitude)));
        // A family set per label otherwise comes with its named style, and Qt does not
        // stretch a font of a named style.
        props.emplace_back("FontStyle", "'Ignore'");
    }
    // Each text at its anchor, which is the text's upper left corner, and every one drawn: the
    // map's annotation is placed by hand, nothing is to be moved or left out.
    return "<labeling type=\"simple\"><settings calloutType=\"simple\">"
           "<text-style fieldName=\"" +
           Xml(Field(f, StyleField::Text)) +
           "\" isExpression=\"0\" fontSize=\"3\" fontSizeUnit=\"MapUnit\" "
           "textColor=\"0,0,0,255\" fontItalic=\"0\" textOpacity=\"1\" multilineHeight=\"1\"/>"
           "<placement placement=\"1\" quadOffset=\"8\" dist=\"0\" offsetType=\"0\" "
           "xOffset=\"0\" yOffset=\"0\" preserveRotation=\"1\" rotationAngle=\"0\"/>"
           "<rendering displayAll=\"1\" obstacle=\"0\" upsidedownLabels=\"2\" drawLabels=\"1\" "
           "limitNumLabels=\"0\" scaleVisibility=\"0\" fontLimitPixelSize=\"0\" "
           "labelPerPart=\"0\" mergeLines=\"0\" minFeatureSize=\"0\"/>" +
           QmlProperties("dd_properties", props) + "</settings></labeling>";
}

// SLD: a property of the field, scaled, or the fixed value without it.
std::string SldValue(const StyleFields& f, StyleField eField, const std::string& strDefault,
                     double dfScale = 1) {
    if (!Has(f, eField))
        return strDefault;
    const std::string strProperty =
        "<ogc:PropertyName>" + Xml(Field(f, eField)) + "</ogc:PropertyName>";
    if (dfScale == 1)
        return strProperty;
    return "<ogc:Mul>" + strProperty + "<ogc:Literal>" + CPLSPrintf("%.6g", dfScale) +
           "</ogc:Literal></ogc:Mul>";
}

std::string SvgParameter(const char* pszName, const std::string& strValue) {
    return std::string("<se:SvgParameter name=\"") + pszName + "\">" + strValue +
           "</se:SvgParameter>";
}

std::string SldFilter(const std::string& strCondition) {
    return "<ogc:Filter>" + strCondition + "</ogc:Filter>";
}

std::string SldIsNull(const StyleFields& f, StyleField eField) {
    return "<ogc:PropertyIsNull><ogc:PropertyName>" + Xml(Field(f, eField)) +
           "</ogc:PropertyName></ogc:PropertyIsNull>";
}

std::string SldStroke(const StyleFields& f, const char* pszDefaultColor) {
    return "<se:Stroke>" + SvgParameter("stroke", SldValue(f, StyleField::Color, pszDefaultColor)) +
           SvgParameter("stroke-width",
                        SldValue(f, StyleField::LineWidth, CPLSPrintf("%.3g", 0.2 * kPixelsPerMm),
                                 kPixelsPerMm)) +
           "</se:Stroke>";
}

std::string SldAreaRules(const StyleFields& f) {
    // Filled where the area has a fill colour, outlined everywhere.
    std::string out;
    if (Has(f, StyleField::FillColor)) {
        out += "<se:Rule><se:Name>filled areas</se:Name>" +
               SldFilter("<ogc:Not>" + SldIsNull(f, StyleField::FillColor) + "</ogc:Not>") +
               "<se:PolygonSymbolizer><se:Fill>" +
               SvgParameter("fill", SldValue(f, StyleField::FillColor, "")) +
               "</se:Fill></se:PolygonSymbolizer></se:Rule>";
    }
    return out + "<se:Rule><se:Name>area outlines</se:Name><se:PolygonSymbolizer>" +
           SldStroke(f, "#808080") + "</se:PolygonSymbolizer></se:Rule>";
}

std::string SldLineRule(const StyleFields& f) {
    return "<se:Rule><se:Name>lines</se:Name><se:LineSymbolizer>" + SldStroke(f, "#808080") +
           "</se:LineSymbolizer></se:Rule>";
}

std::string SldMark(const StyleFields& f, const char* pszShape, bool bFilled) {
    std::string out = "<se:PointSymbolizer><se:Graphic><se:Mark><se:WellKnownName>" +
                      std::string(pszShape) + "</se:WellKnownName>";
    if (bFilled)
        out += "<se:Fill>" + SvgParameter("fill", SldValue(f, StyleField::Color, "#808080")) +
               "</se:Fill>";
    out += "<se:Stroke>" + SvgParameter("stroke", SldValue(f, StyleField::Color, "#808080")) +
           "</se:Stroke></se:Mark><se:Size>" +
           SldValue(f, StyleField::SymbolSize, CPLSPrintf("%.3g", 2 * kPixelsPerMm), kPixelsPerMm) +
           "</se:Size><se:Rotation>" + SldValue(f, StyleField::SymbolAngle, "0", -1) +
           "</se:Rotation></se:Graphic></se:PointSymbolizer>";
    return out;
}

std::string SldSymbolRules(const StyleFields& f) {
    const std::string strNoText =
        Has(f, StyleField::Text) ? SldIsNull(f, StyleField::Text) : std::string();
    if (!Has(f, StyleField::Symbol)) {
        return "<se:Rule><se:Name>symbols</se:Name>" +
               (strNoText.empty() ? std::string() : SldFilter(strNoText)) +
               SldMark(f, kDefaultSymbol, true) + "</se:Rule>";
    }
    std::string out;
    const std::string strSymbol =
        "<ogc:PropertyName>" + Xml(Field(f, StyleField::Symbol)) + "</ogc:PropertyName>";
    for (const Marker& m : kMarkers) {
        std::string strCondition = "<ogc:PropertyIsEqualTo>" + strSymbol + "<ogc:Literal>" +
                                   std::to_string(m.nSymbol) +
                                   "</ogc:Literal></ogc:PropertyIsEqualTo>";
        if (!strNoText.empty())
            strCondition = "<ogc:And>" + strCondition + strNoText + "</ogc:And>";
        out += "<se:Rule><se:Name>symbol " + std::to_string(m.nSymbol) + "</se:Name>" +
               SldFilter(strCondition) + SldMark(f, m.pszSld, m.bFilled) + "</se:Rule>";
    }
    return out + "<se:Rule><se:Name>other symbols</se:Name><se:ElseFilter/>" +
           SldMark(f, kDefaultSymbol, true) + "</se:Rule>";
}

std::string SldTextRule(const StyleFields& f) {
    if (!Has(f, StyleField::Text))
        return std::string();
    // Sizes of texts are ground units: the symbolizer's unit is the metre. The anchor is a
    // point no one sees; clients (QGIS among them) take no rule without a point symbolizer.
    return "<se:Rule><se:Name>texts</se:Name><se:PointSymbolizer><se:Graphic><se:Mark>"
           "<se:WellKnownName>circle</se:WellKnownName><se:Fill>" +
           SvgParameter("fill-opacity", "0") + "</se:Fill><se:Stroke>" +
           SvgParameter("stroke-opacity", "0") +
           "</se:Stroke></se:Mark><se:Size>1</se:Size></se:Graphic></se:PointSymbolizer>"
           "<se:TextSymbolizer "
           "uom=\"http://www.opengeospatial.org/se/units/metre\"><se:Label>" +
           SldValue(f, StyleField::Text, "") + "</se:Label><se:Font>" +
           (Has(f, StyleField::FontName)
                ? SvgParameter("font-family", SldValue(f, StyleField::FontName, ""))
                : std::string()) +
           SvgParameter("font-size", SldValue(f, StyleField::TextHeight, "3")) +
           "</se:Font><se:LabelPlacement><se:PointPlacement><se:AnchorPoint>"
           "<se:AnchorPointX>0</se:AnchorPointX><se:AnchorPointY>1</se:AnchorPointY>"
           "</se:AnchorPoint><se:Rotation>" +
           SldValue(f, StyleField::TextAngle, "0", -1) +
           "</se:Rotation></se:PointPlacement></se:LabelPlacement><se:Fill>" +
           SvgParameter("fill", SldValue(f, StyleField::Color, "#000000")) +
           "</se:Fill></se:TextSymbolizer></se:Rule>";
}

}  // namespace

StyleFields StyleFieldsOf(const OGRFeatureDefn& defn) {
    StyleFields fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        int iField = defn.GetFieldIndex(kFieldNames[i]);
        // dBase's ten characters.
        if (iField < 0 && std::strcmp(kFieldNames[i], "SymbolAngle") == 0)
            iField = defn.GetFieldIndex("SymAngle");
        if (iField >= 0)
            fields[i] = defn.GetFieldDefn(iField)->GetNameRef();
    }
    return fields;
}

StyleFields DriverStyleFields() {
    OGRFeatureDefn defn;
    mapgis::AddLayerFields(defn, mapgis::LayerKind::Compound);
    StyleFields fields = StyleFieldsOf(defn);
    for (StyleField eField : {StyleField::Italic, StyleField::TextWidth})
        fields[static_cast<size_t>(eField)] = kFieldNames[static_cast<size_t>(eField)];
    return fields;
}

std::string QgisQml(Drawing eDrawing, const StyleFields& fields, bool bDegrees) {
    const bool bLabels =
        (eDrawing == Drawing::Texts || eDrawing == Drawing::Any) && Has(fields, StyleField::Text);
    std::string out =
        "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
        "<qgis version=\"3.22.0\" styleCategories=\"Symbology|Labeling\" labelsEnabled=\"";
    out += bLabels ? "1" : "0";
    out += "\">";
    out += QmlRenderer(eDrawing, fields);
    if (bLabels)
        out += QmlLabels(fields, bDegrees);
    return out + "<blendMode>0</blendMode><featureBlendMode>0</featureBlendMode></qgis>\n";
}

std::string Sld(const std::string& strLayer, Drawing eDrawing, const StyleFields& fields) {
    std::string strRules;
    if (eDrawing == Drawing::Areas || eDrawing == Drawing::Any)
        strRules += SldAreaRules(fields);
    if (eDrawing == Drawing::Lines || eDrawing == Drawing::Any)
        strRules += SldLineRule(fields);
    if (eDrawing == Drawing::Symbols || eDrawing == Drawing::Any)
        strRules += SldSymbolRules(fields);
    if (eDrawing == Drawing::Texts || eDrawing == Drawing::Any)
        strRules += SldTextRule(fields);
    const std::string strName = Xml(strLayer);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<StyledLayerDescriptor version=\"1.1.0\" xmlns=\"http://www.opengis.net/sld\" "
           "xmlns:se=\"http://www.opengis.net/se\" xmlns:ogc=\"http://www.opengis.net/ogc\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.opengis.net/sld "
           "http://schemas.opengis.net/sld/1.1.0/StyledLayerDescriptor.xsd\">"
           "<NamedLayer><se:Name>" +
           strName + "</se:Name><UserStyle><se:Name>" + strName +
           "</se:Name><se:FeatureTypeStyle>" + strRules +
           "</se:FeatureTypeStyle></UserStyle></NamedLayer></StyledLayerDescriptor>\n";
}

}  // namespace mapgis_import
