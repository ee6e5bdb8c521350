// Attribute fields of the driver's layers and their values.
#include "mapgisschema.h"

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

void AddField(OGRFeatureDefn& defn, const FieldSpec& desc) {
    OGRFieldDefn field(desc.pszName, desc.eType);
    field.SetWidth(desc.nWidth);
    defn.AddFieldDefn(&field);
}

template <class T>
void SetIf(OGRFeature& feature, const char* pszField, const std::optional<T>& value) {
    const int i = feature.GetFieldIndex(pszField);
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
    AddField(defn, {"RbUserID", OFTInteger, 0});
    if (eKind == LayerKind::Compound) {
        for (const FieldSpec& desc : kCompoundFields)
            AddField(defn, desc);
    } else if (eKind == LayerKind::Text) {
        for (const FieldSpec& desc : kTextFields)
            AddField(defn, desc);
    }
}

void FillAttributes(OGRFeature& feature, const KTX::KtFeature& source, LayerKind eKind) {
    const KTX::PlxVariant* pId = source.GetValue(KTX::PlxUnicodeString(u"RbUserID"));
    if (pId != nullptr && !pId->IsNull()) {
        feature.SetField("RbUserID", pId->ToInt());
    } else {
        feature.SetFieldNull(feature.GetFieldIndex("RbUserID"));
    }
    const KTX::KtGeometry* pGeom = source.GetGeometry();
    if (pGeom == nullptr)
        return;
    const std::string strStyle = StyleString(*pGeom);
    if (!strStyle.empty())
        feature.SetStyleString(strStyle.c_str());
    const StyleAttributes attrs = CollectStyleAttributes(*pGeom);
    if (eKind == LayerKind::Compound) {
        feature.SetField("GeomKind", GeometryKindName(pGeom->GetType()));
        SetIf(feature, "Color", attrs.color);
        SetIf(feature, "FillColor", attrs.fillColor);
        SetIf(feature, "LineWidth", attrs.lineWidth);
        SetIf(feature, "LineStyle", attrs.lineStyle);
        SetIf(feature, "FillStyle", attrs.fillStyle);
        SetIf(feature, "Symbol", attrs.symbol);
        SetIf(feature, "SymbolSize", attrs.symbolSize);
        SetIf(feature, "SymbolAngle", attrs.symbolAngle);
        SetIf(feature, "TextHeight", attrs.textHeight);
        SetIf(feature, "FontName", attrs.fontName);
    }
    SetIf(feature, "Text", attrs.text);
    SetIf(feature, "TextAngle", attrs.textAngle);
}

}  // namespace mapgis
