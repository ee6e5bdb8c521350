// Placemark styles from the style fields, in the KML a GDAL writer left.
#include "output/kml/KmlStyles.h"

#include <algorithm>
#include <map>
#include <vector>

#include "cpl_conv.h"
#include "cpl_minixml.h"
#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis_import {

namespace {

using Fields = std::map<std::string, std::string>;

// KML colours are aabbggrr; an opaque one from #RRGGBB, empty for anything else.
std::string KmlColor(const std::string& strHex) {
    if (strHex.size() != 7 || strHex[0] != '#')
        return std::string();
    return CPLString("ff" + strHex.substr(5, 2) + strHex.substr(3, 2) + strHex.substr(1, 2))
        .tolower();
}

std::string Number(double dfValue) {
    return CPLSPrintf("%.4g", dfValue);
}

Fields FieldsOf(CPLXMLNode* psPlacemark) {
    Fields fields;
    CPLXMLNode* psData = CPLGetXMLNode(psPlacemark, "ExtendedData.SchemaData");
    for (CPLXMLNode* ps = psData ? psData->psChild : nullptr; ps != nullptr; ps = ps->psNext) {
        if (ps->eType == CXT_Element && EQUAL(ps->pszValue, "SimpleData"))
            fields[CPLGetXMLValue(ps, "name", "")] = CPLGetXMLValue(ps, nullptr, "");
    }
    return fields;
}

double NumberOf(const Fields& fields, const char* pszName, double dfDefault) {
    const auto it = fields.find(pszName);
    return it == fields.end() || it->second.empty() ? dfDefault : CPLAtof(it->second.c_str());
}

std::string TextOf(const Fields& fields, const char* pszName) {
    const auto it = fields.find(pszName);
    return it == fields.end() ? std::string() : it->second;
}

CPLXMLNode* AddStyle(CPLXMLNode* psStyle, const char* pszName) {
    return CPLCreateXMLNode(psStyle, CXT_Element, pszName);
}

// A line of the item's colour (grey without one, as the QGIS styles draw it), as wide in
// pixels as it is printed, and never thinner than a pixel.
void AddLineStyle(CPLXMLNode* psStyle, const Fields& fields) {
    const std::string strColor = KmlColor(TextOf(fields, "Color"));
    CPLXMLNode* psLine = AddStyle(psStyle, "LineStyle");
    CPLCreateXMLElementAndValue(psLine, "color", strColor.empty() ? "ff808080" : strColor.c_str());
    const double dfPixels = NumberOf(fields, "LineWidth", 0.2) * kKmlPixelsPerMm;
    CPLCreateXMLElementAndValue(psLine, "width", Number(std::max(1.0, dfPixels)).c_str());
}

// Filled with the fill colour unless it has none (or fill style 1, none), outlined only
// in a pen colour the item has.
void AddAreaStyle(CPLXMLNode* psStyle, const Fields& fields) {
    const std::string strFill = KmlColor(TextOf(fields, "FillColor"));
    const bool bFilled = !strFill.empty() && NumberOf(fields, "FillStyle", 0) != 1;
    const bool bOutlined = !KmlColor(TextOf(fields, "Color")).empty();
    if (bOutlined)
        AddLineStyle(psStyle, fields);
    CPLXMLNode* psPoly = AddStyle(psStyle, "PolyStyle");
    if (bFilled)
        CPLCreateXMLElementAndValue(psPoly, "color", strFill.c_str());
    CPLCreateXMLElementAndValue(psPoly, "fill", bFilled ? "1" : "0");
    CPLCreateXMLElementAndValue(psPoly, "outline", bOutlined ? "1" : "0");
}

// A text: its label in its colour, scaled by its height against the file's usual one, and no
// icon.
void AddTextStyle(CPLXMLNode* psStyle, const Fields& fields, double dfUsualHeight) {
    CPLXMLNode* psIcon = AddStyle(psStyle, "IconStyle");
    CPLCreateXMLElementAndValue(psIcon, "scale", "0");
    CPLXMLNode* psLabel = AddStyle(psStyle, "LabelStyle");
    const std::string strColor = KmlColor(TextOf(fields, "Color"));
    CPLCreateXMLElementAndValue(psLabel, "color", strColor.empty() ? "ff000000" : strColor.c_str());
    const double dfHeight = NumberOf(fields, "TextHeight", dfUsualHeight);
    CPLCreateXMLElementAndValue(psLabel, "scale", Number(dfHeight / dfUsualHeight).c_str());
}

// A symbol: a white circle icon tinted in its colour, as wide as the symbol is printed.
void AddSymbolStyle(CPLXMLNode* psStyle, const Fields& fields) {
    CPLXMLNode* psIcon = AddStyle(psStyle, "IconStyle");
    const std::string strColor = KmlColor(TextOf(fields, "Color"));
    CPLCreateXMLElementAndValue(psIcon, "color", strColor.empty() ? "ff808080" : strColor.c_str());
    const double dfPixels = NumberOf(fields, "SymbolSize", 2) * kKmlPixelsPerMm;
    CPLCreateXMLElementAndValue(psIcon, "scale", Number(dfPixels / kKmlIconPixels).c_str());
    CPLCreateXMLElementAndValue(AddStyle(psIcon, "Icon"), "href",
                                "http://maps.google.com/mapfiles/kml/shapes/placemark_circle.png");
}

bool Holds(CPLXMLNode* psPlacemark, const char* pszGeometry) {
    for (CPLXMLNode* ps = psPlacemark->psChild; ps != nullptr; ps = ps->psNext) {
        if (ps->eType != CXT_Element)
            continue;
        if (EQUAL(ps->pszValue, pszGeometry) ||
            (EQUAL(ps->pszValue, "MultiGeometry") && Holds(ps, pszGeometry)))
            return true;
    }
    return false;
}

void RemoveChildren(CPLXMLNode* psParent, const char* pszName) {
    CPLXMLNode* ps = CPLGetXMLNode(psParent, pszName);
    while (ps != nullptr) {
        CPLRemoveXMLChild(psParent, ps);
        CPLDestroyXMLNode(ps);
        ps = CPLGetXMLNode(psParent, pszName);
    }
}

// The placemark's name and style: KML wants them before its data and geometry.
void Restyle(CPLXMLNode* psPlacemark, double dfUsualHeight) {
    const Fields fields = FieldsOf(psPlacemark);
    RemoveChildren(psPlacemark, "Style");
    RemoveChildren(psPlacemark, "name");
    CPLXMLNode* psStyle = CPLCreateXMLNode(nullptr, CXT_Element, "Style");
    const std::string strText = TextOf(fields, "Text");
    CPLXMLNode* psFirst = psStyle;
    // A fraction's bar is a line that keeps its text's fields: drawn as a line.
    if (Holds(psPlacemark, "Polygon")) {
        AddAreaStyle(psStyle, fields);
    } else if (Holds(psPlacemark, "LineString")) {
        AddLineStyle(psStyle, fields);
    } else if (!strText.empty()) {
        psFirst = CPLCreateXMLElementAndValue(nullptr, "name", strText.c_str());
        psFirst->psNext = psStyle;
        AddTextStyle(psStyle, fields, dfUsualHeight);
    } else {
        AddSymbolStyle(psStyle, fields);
    }
    psStyle->psNext = psPlacemark->psChild;
    psPlacemark->psChild = psFirst;
}

void CollectPlacemarks(CPLXMLNode* psNode, std::vector<CPLXMLNode*>* pPlacemarks) {
    for (CPLXMLNode* ps = psNode; ps != nullptr; ps = ps->psNext) {
        if (ps->eType != CXT_Element)
            continue;
        if (EQUAL(ps->pszValue, "Placemark"))
            pPlacemarks->push_back(ps);
        else
            CollectPlacemarks(ps->psChild, pPlacemarks);
    }
}

// The median height of the file's texts: the labels' scale 1.
double UsualHeight(const std::vector<CPLXMLNode*>& placemarks) {
    std::vector<double> heights;
    for (CPLXMLNode* ps : placemarks) {
        const Fields fields = FieldsOf(ps);
        const double dfHeight = NumberOf(fields, "TextHeight", 0);
        if (!TextOf(fields, "Text").empty() && Holds(ps, "Point") && dfHeight > 0)
            heights.push_back(dfHeight);
    }
    if (heights.empty())
        return 1;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

bool RestyleFile(const std::string& strFile, std::string* pstrError) {
    CPLXMLNode* psRoot = CPLParseXMLFile(strFile.c_str());
    if (psRoot == nullptr) {
        *pstrError = "cannot read " + strFile + " back to style it: " + CPLGetLastErrorMsg();
        return false;
    }
    std::vector<CPLXMLNode*> placemarks;
    CollectPlacemarks(psRoot, &placemarks);
    const double dfUsualHeight = UsualHeight(placemarks);
    for (CPLXMLNode* ps : placemarks)
        Restyle(ps, dfUsualHeight);
    const bool bWritten = CPLSerializeXMLTreeToFile(psRoot, strFile.c_str()) != FALSE;
    CPLDestroyXMLNode(psRoot);
    if (!bWritten)
        *pstrError = "cannot write the styles of " + strFile;
    return bWritten;
}

}  // namespace

bool RestyleKml(const std::string& strPath, std::string* pstrError) {
    VSIStatBufL sStat;
    std::vector<std::string> files;
    if (VSIStatL(strPath.c_str(), &sStat) == 0 && VSI_ISDIR(sStat.st_mode)) {
        const CPLStringList aosNames(VSIReadDir(strPath.c_str()));
        for (int i = 0; i < aosNames.size(); ++i) {
            if (EQUAL(CPLGetExtension(aosNames[i]), "kml"))
                files.push_back(CPLFormFilename(strPath.c_str(), aosNames[i], nullptr));
        }
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(strPath);
    }
    for (const std::string& strFile : files) {
        if (!RestyleFile(strFile, pstrError))
            return false;
    }
    return true;
}

}  // namespace mapgis_import
