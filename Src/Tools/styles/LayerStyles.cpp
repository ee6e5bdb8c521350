// Styles written with the layers of an import.
#include "styles/LayerStyles.h"

#include <ctime>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "cpl_vsi.h"
#include "ogr_api.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

namespace {

constexpr const char* kStylesTable = "layer_styles";

// QGIS's own layout of the table, so that QGIS finds the styles and can add its own.
bool CreateStylesTable(GDALDatasetH hDataset, OGRLayerH* phTable) {
    const char* const apszOptions[] = {"FID=id", nullptr};
    OGRLayerH hTable = GDALDatasetCreateLayer(hDataset, kStylesTable, nullptr, wkbNone,
                                              const_cast<char**>(apszOptions));
    if (hTable == nullptr)
        return false;
    struct Column {
        const char* pszName;
        OGRFieldType eType;
        int nWidth;
    };
    constexpr Column kColumns[] = {
        {"f_table_catalog", OFTString, 256},
        {"f_table_schema", OFTString, 256},
        {"f_table_name", OFTString, 256},
        {"f_geometry_column", OFTString, 256},
        {"styleName", OFTString, 30},
        {"styleQML", OFTString, 0},
        {"styleSLD", OFTString, 0},
        {"useAsDefault", OFTInteger, 0},
        {"description", OFTString, 0},
        {"owner", OFTString, 30},
        {"ui", OFTString, 30},
        {"update_time", OFTDateTime, 0},
    };
    for (const Column& column : kColumns) {
        OGRFieldDefnH hField = OGR_Fld_Create(column.pszName, column.eType);
        OGR_Fld_SetWidth(hField, column.nWidth);
        if (EQUAL(column.pszName, "useAsDefault"))
            OGR_Fld_SetSubType(hField, OFSTBoolean);
        const OGRErr eErr = OGR_L_CreateField(hTable, hField, TRUE);
        OGR_Fld_Destroy(hField);
        if (eErr != OGRERR_NONE)
            return false;
    }
    *phTable = hTable;
    return true;
}

bool AddStyleRow(OGRLayerH hTable, OGRLayerH hLayer, const std::string& strQml,
                 const std::string& strSld) {
    OGRFeatureH hRow = OGR_F_Create(OGR_L_GetLayerDefn(hTable));
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "f_table_catalog"), "");
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "f_table_schema"), "");
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "f_table_name"), OGR_L_GetName(hLayer));
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "f_geometry_column"),
                         OGR_L_GetGeometryColumn(hLayer));
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "styleName"), OGR_L_GetName(hLayer));
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "styleQML"), strQml.c_str());
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "styleSLD"), strSld.c_str());
    OGR_F_SetFieldInteger(hRow, OGR_F_GetFieldIndex(hRow, "useAsDefault"), 1);
    OGR_F_SetFieldString(hRow, OGR_F_GetFieldIndex(hRow, "description"),
                         "MAPGIS styles, drawn from the style fields");
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    OGR_F_SetFieldDateTime(hRow, OGR_F_GetFieldIndex(hRow, "update_time"), utc.tm_year + 1900,
                           utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 100);
    const OGRErr eErr = OGR_L_CreateFeature(hTable, hRow);
    OGR_F_Destroy(hRow);
    return eErr == OGRERR_NONE;
}

// A writer of longitude/latitude by definition may leave its layers' system unsaid.
bool InLonLat(GDALDatasetH hDataset) {
    GDALDriverH hDriver = hDataset != nullptr ? GDALGetDatasetDriver(hDataset) : nullptr;
    return hDriver != nullptr &&
           TraitsOf(GDALGetDriverShortName(hDriver)).eSystem == SystemRule::LongitudeLatitude;
}

// Whether the layer's coordinates are degrees: its system is geographic, or it has none in a
// writer of longitude/latitude.
bool InDegrees(OGRLayerH hLayer, bool bLonLat) {
    OGRSpatialReferenceH hSrs = OGR_L_GetSpatialRef(hLayer);
    return hSrs == nullptr ? bLonLat : OSRIsGeographic(hSrs) != FALSE;
}

StyleFields FieldsOf(OGRLayerH hLayer) {
    return StyleFieldsOf(*OGRFeatureDefn::FromHandle(OGR_L_GetLayerDefn(hLayer)));
}

}  // namespace

StyleHome StyleHomeOf(const OutputFormat& format, bool bFolder) {
    if (format.Traits().eStyles == StyleStore::OwnStyleStrings ||
        format.Traits().eStyles == StyleStore::KmlPlacemarks)
        return StyleHome::None;
    if (format.Traits().eStyles == StyleStore::LayerStyles)
        return StyleHome::GeoPackage;
    return bFolder || format.bOneLayer ? StyleHome::Sidecars : StyleHome::OneSidecar;
}

Drawing DrawingOf(const std::string& strPart) {
    if (strPart == "points" || strPart == "nodes")
        return Drawing::Symbols;
    if (strPart == "lines" || strPart == "network")
        return Drawing::Lines;
    if (strPart == "areas")
        return Drawing::Areas;
    if (strPart == "texts")
        return Drawing::Texts;
    return Drawing::Any;
}

bool WriteStyleFile(const std::string& strPath, const std::string& strText,
                    std::string* pstrError) {
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "wb");
    const bool bWritten =
        fp != nullptr && VSIFWriteL(strText.data(), 1, strText.size(), fp) == strText.size();
    const bool bClosed = fp != nullptr && VSIFCloseL(fp) == 0;
    if (!bWritten || !bClosed) {
        *pstrError = "cannot write the style " + strPath;
        return false;
    }
    return true;
}

void LayerStyleOf(OGRLayerH hLayer, const std::string& strName, Drawing eDrawing,
                  std::string* pstrQml, std::string* pstrSld, bool bLonLat) {
    const StyleFields fields = FieldsOf(hLayer);
    *pstrQml = QgisQml(eDrawing, fields, InDegrees(hLayer, bLonLat));
    *pstrSld = Sld(strName, eDrawing, fields);
}

std::string DriverStyle() {
    return QgisQml(Drawing::Any, DriverStyleFields());
}

bool WriteStyles(StyleHome eHome, const std::vector<StyledLayer>& layers,
                 const std::function<GDALDatasetH(const std::string&)>& findDataset,
                 std::string* pstrError) {
    if (eHome == StyleHome::None || layers.empty())
        return true;
    if (eHome == StyleHome::OneSidecar) {
        // QGIS looks for one style beside a file, whichever of its layers it opens: one that
        // draws every kind, with the fields any layer has.
        StyleFields fields;
        bool bDegrees = false;
        GDALDatasetH hDataset = findDataset(layers[0].strPath);
        for (const StyledLayer& layer : layers) {
            OGRLayerH hLayer = GDALDatasetGetLayerByName(hDataset, layer.strName.c_str());
            if (hLayer == nullptr)
                continue;
            bDegrees = bDegrees || InDegrees(hLayer, InLonLat(hDataset));
            const StyleFields own = FieldsOf(hLayer);
            for (size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].empty())
                    fields[i] = own[i];
            }
        }
        const std::string strBase = CPLResetExtension(layers[0].strPath.c_str(), "qml");
        return WriteStyleFile(strBase, QgisQml(Drawing::Any, fields, bDegrees), pstrError) &&
               WriteStyleFile(CPLResetExtension(strBase.c_str(), "sld"),
                              Sld(CPLGetBasename(strBase.c_str()), Drawing::Any, fields),
                              pstrError);
    }
    for (const StyledLayer& layer : layers) {
        GDALDatasetH hDataset = findDataset(layer.strPath);
        OGRLayerH hLayer = hDataset == nullptr
                               ? nullptr
                               : GDALDatasetGetLayerByName(hDataset, layer.strName.c_str());
        // A file of one layer names it after itself.
        if (hLayer == nullptr && hDataset != nullptr && GDALDatasetGetLayerCount(hDataset) == 1)
            hLayer = GDALDatasetGetLayer(hDataset, 0);
        if (hLayer == nullptr) {
            *pstrError = "cannot find the layer " + layer.strName + " to style";
            return false;
        }
        std::string strQml, strSld;
        LayerStyleOf(hLayer, layer.strName, layer.eDrawing, &strQml, &strSld, InLonLat(hDataset));
        if (eHome == StyleHome::GeoPackage) {
            OGRLayerH hTable = GDALDatasetGetLayerByName(hDataset, kStylesTable);
            if ((hTable == nullptr && !CreateStylesTable(hDataset, &hTable)) ||
                !AddStyleRow(hTable, hLayer, strQml, strSld)) {
                *pstrError = "cannot write the style of " + layer.strName;
                return false;
            }
            continue;
        }
        const std::string strQmlPath = CPLResetExtension(layer.strPath.c_str(), "qml");
        if (!WriteStyleFile(strQmlPath, strQml, pstrError) ||
            !WriteStyleFile(CPLResetExtension(layer.strPath.c_str(), "sld"), strSld, pstrError)) {
            return false;
        }
    }
    return true;
}

}  // namespace mapgis_import
