// Attribute fields of the driver's layers and their values.
#include "mapgisschema.h"

#include <string_view>

#include "KoElement/KtFeature.h"
#include "KoGeometry/KtGeometry.h"
#include "mapgisstyle.h"

namespace mapgis {

namespace {

struct FieldSpec {
    const char* pszName;
    OGRFieldType eType;
    int nWidth;
};

constexpr FieldSpec kCompoundFields[] = {
    {"GeomKind", OFTString, 8}, {"Color", OFTString, 7},      {"FillColor", OFTString, 7},
    {"LineWidth", OFTReal, 0},  {"LineStyle", OFTInteger, 0}, {"FillStyle", OFTInteger, 0},
    {"Symbol", OFTInteger, 0},  {"SymbolSize", OFTReal, 0},   {"SymbolAngle", OFTReal, 0},
    {"Text", OFTString, 0},     {"TextHeight", OFTReal, 0},   {"TextAngle", OFTReal, 0},
    {"FontName", OFTString, 0},
};

constexpr FieldSpec kTextFields[] = {
    {"Text", OFTString, 0},
    {"TextAngle", OFTReal, 0},
};

// A field's index in a layer of the kind: RbUserID comes first, then the kind's fields in
// order. The definitions are fixed, so features set fields by index, not by name lookup.
template <size_t N>
constexpr int IndexIn(const FieldSpec (&fields)[N], std::string_view name) {
    for (size_t i = 0; i < N; ++i) {
        if (name == fields[i].pszName)
            return static_cast<int>(i) + 1;
    }
    return -1;
}

constexpr int kIdIndex = 0;

constexpr int C(std::string_view name) {
    return IndexIn(kCompoundFields, name);
}

constexpr int kGeomKind = C("GeomKind");
constexpr int kColor = C("Color");
constexpr int kFillColor = C("FillColor");
constexpr int kLineWidth = C("LineWidth");
constexpr int kLineStyle = C("LineStyle");
constexpr int kFillStyle = C("FillStyle");
constexpr int kSymbol = C("Symbol");
constexpr int kSymbolSize = C("SymbolSize");
constexpr int kSymbolAngle = C("SymbolAngle");
constexpr int kTextHeight = C("TextHeight");
constexpr int kFontName = C("FontName");
constexpr int kText = C("Text");
constexpr int kTextAngle = C("TextAngle");
constexpr int kTextOfText = IndexIn(kTextFields, "Text");
constexpr int kTextAngleOfText = IndexIn(kTextFields, "TextAngle");

void AddField(OGRFeatureDefn& defn, const FieldSpec& desc) {
    OGRFieldDefn field(desc.pszName, desc.eType);
    field.SetWidth(desc.nWidth);
    defn.AddFieldDefn(&field);
}

template <class T>
void SetIf(OGRFeature& feature, int i, const std::optional<T>& value) {
    if (i < 0 || !value)
        return;
    if constexpr (std::is_same_v<T, std::string>) {
        feature.SetField(i, value->c_str());
    } else {
        feature.SetField(i, *value);
    }
}

}  // namespace

void AddLayerFields(OGRFeatureDefn& defn, LayerKind eKind) {
    AddField(defn, {"RbUserID", OFTInteger, 0});  // kIdIndex
    if (eKind == LayerKind::Compound) {
        for (const FieldSpec& desc : kCompoundFields)
            AddField(defn, desc);
    } else if (eKind == LayerKind::Text) {
        for (const FieldSpec& desc : kTextFields)
            AddField(defn, desc);
    }
}

void FillAttributes(OGRFeature& feature, const KTX::KtFeature& source, LayerKind eKind,
                    bool bStyle) {
    static const KTX::PlxUnicodeString strIdField(u"RbUserID");
    const KTX::PlxVariant* pId = source.GetValue(strIdField);
    if (pId != nullptr && !pId->IsNull()) {
        feature.SetField(kIdIndex, pId->ToInt());
    } else {
        feature.SetFieldNull(kIdIndex);
    }
    const KTX::KtGeometry* pGeom = source.GetGeometry();
    if (pGeom == nullptr)
        return;
    if (bStyle) {
        const std::string strStyle = StyleString(*pGeom);
        if (!strStyle.empty())
            feature.SetStyleString(strStyle.c_str());
    }
    if (eKind != LayerKind::Compound && eKind != LayerKind::Text)
        return;
    const StyleAttributes attrs = CollectStyleAttributes(*pGeom);
    if (eKind == LayerKind::Compound) {
        feature.SetField(kGeomKind, GeometryKindName(pGeom->GetType()));
        SetIf(feature, kColor, attrs.color);
        SetIf(feature, kFillColor, attrs.fillColor);
        SetIf(feature, kLineWidth, attrs.lineWidth);
        SetIf(feature, kLineStyle, attrs.lineStyle);
        SetIf(feature, kFillStyle, attrs.fillStyle);
        SetIf(feature, kSymbol, attrs.symbol);
        SetIf(feature, kSymbolSize, attrs.symbolSize);
        SetIf(feature, kSymbolAngle, attrs.symbolAngle);
        SetIf(feature, kTextHeight, attrs.textHeight);
        SetIf(feature, kFontName, attrs.fontName);
        SetIf(feature, kText, attrs.text);
        SetIf(feature, kTextAngle, attrs.textAngle);
    } else if (eKind == LayerKind::Text) {
        SetIf(feature, kTextOfText, attrs.text);
        SetIf(feature, kTextAngleOfText, attrs.textAngle);
    }
}

}  // namespace mapgis
