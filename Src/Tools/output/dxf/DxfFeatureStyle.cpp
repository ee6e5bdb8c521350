// What a map feature's fields say of how it is drawn.
#include "DxfFeatureStyle.h"

#include "DxfColor.h"

namespace mapgis_dxf {

namespace {

int FieldOf(const OGRFeature& feature, const char* pszName) {
    const int i = feature.GetFieldIndex(pszName);
    return i >= 0 && feature.IsFieldSetAndNotNull(i) ? i : -1;
}

void ReadReal(const OGRFeature& feature, const char* pszName, double* pdfValue) {
    const int i = FieldOf(feature, pszName);
    if (i >= 0)
        *pdfValue = feature.GetFieldAsDouble(i);
}

std::optional<uint32_t> ReadColor(const OGRFeature& feature, const char* pszName) {
    const int i = FieldOf(feature, pszName);
    return i >= 0 ? ParseHexColor(feature.GetFieldAsString(i)) : std::nullopt;
}

}  // namespace

DxfFeatureStyle ReadFeatureStyle(const OGRFeature& feature) {
    DxfFeatureStyle style;
    style.color = ReadColor(feature, "Color");
    style.fillColor = ReadColor(feature, "FillColor");
    int i = FieldOf(feature, "LineWidth");
    if (i >= 0)
        style.dfLineWidth = feature.GetFieldAsDouble(i);
    i = FieldOf(feature, "LineStyle");
    if (i >= 0)
        style.nLineStyle = feature.GetFieldAsInteger(i);
    i = FieldOf(feature, "Symbol");
    if (i >= 0)
        style.symbol = feature.GetFieldAsInteger(i);
    ReadReal(feature, "SymbolSize", &style.dfSymbolSize);
    ReadReal(feature, "SymbolAngle", &style.dfSymbolAngle);
    i = FieldOf(feature, "Text");
    if (i >= 0)
        style.text = feature.GetFieldAsString(i);
    ReadReal(feature, "TextHeight", &style.dfTextHeight);
    ReadReal(feature, "TextWidth", &style.dfTextWidth);
    ReadReal(feature, "TextAngle", &style.dfTextAngle);
    i = FieldOf(feature, "Italic");
    style.bItalic = i >= 0 && feature.GetFieldAsInteger(i) != 0;
    return style;
}

}  // namespace mapgis_dxf
