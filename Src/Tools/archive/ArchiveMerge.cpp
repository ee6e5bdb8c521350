// All the sheets of an archive in one dataset.
#include "archive/ArchiveMerge.h"

#include <algorithm>
#include <utility>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "ogr_api.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

namespace {

constexpr const char* kSheetField = "sheet";

// The -lco values among the translation options, for the layers made here.
CPLStringList LayerOptions(const CPLStringList& aosOptions) {
    CPLStringList aosOut;
    for (int i = 0; i + 1 < aosOptions.size(); ++i) {
        if (EQUAL(aosOptions[i], "-lco"))
            aosOut.AddString(aosOptions[++i]);
    }
    return aosOut;
}

int LayerIndex(GDALDatasetH hDataset, const std::string& strName) {
    for (int i = 0; i < GDALDatasetGetLayerCount(hDataset); ++i) {
        if (strName == OGR_L_GetName(GDALDatasetGetLayer(hDataset, i)))
            return i;
    }
    return -1;
}

}  // namespace

MergedOutput::MergedOutput(const OutputFormat& format, bool bBySheet, std::string strName)
    : m_format(format), m_bBySheet(bBySheet), m_strName(std::move(strName)) {}

MergedOutput::~MergedOutput() {
    if (m_hDataset != nullptr)
        GDALClose(m_hDataset);
}

bool MergedOutput::Begin(const std::string& strTarget, std::string* pstrError) {
    return m_output.Begin(strTarget, pstrError);
}

bool MergedOutput::Open(std::string* pstrError) {
    if (m_hDataset != nullptr)
        return true;
    m_hDataset =
        GDALCreate(m_format.hDriver, m_output.WorkPath().c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    if (m_hDataset == nullptr)
        *pstrError = "cannot create " + m_output.WorkPath() + ": " + CPLGetLastErrorMsg();
    return m_hDataset != nullptr;
}

OGRLayerH MergedOutput::MakeLayer(const std::string& strName, OGRLayerH hSource,
                                  std::string* pstrError) {
    const CPLStringList aosOptions = LayerOptions(m_format.aosOptions);
    OGRSpatialReferenceH hSrs = OGR_L_GetSpatialRef(hSource);
    // Without a coordinate system, a GeoPackage's layer gets the undefined Cartesian one (as a
    // sheet's own GeoPackage does), not the undefined geographic one GDAL gives it otherwise.
    OGRSpatialReferenceH hUndefined = nullptr;
    if (hSrs == nullptr && m_format.Traits().ePacking == IndexPacking::GeoPackage) {
        hUndefined = OSRNewSpatialReference(nullptr);
        OSRSetLocalCS(hUndefined, "Undefined cartesian SRS");
        hSrs = hUndefined;
    }
    OGRLayerH hLayer = GDALDatasetCreateLayer(m_hDataset, strName.c_str(), hSrs,
                                              OGR_L_GetGeomType(hSource), aosOptions.List());
    if (hUndefined != nullptr)
        OSRRelease(hUndefined);
    if (hLayer == nullptr) {
        *pstrError = "cannot create the layer " + strName + ": " + CPLGetLastErrorMsg();
        return nullptr;
    }
    m_layers.push_back(
        {m_output.WorkPath(), strName, DrawingOf(strName.substr(strName.rfind('_') + 1))});
    if (!m_bBySheet) {
        OGRFieldDefnH hField = OGR_Fld_Create(kSheetField, OFTString);
        const OGRErr eErr = OGR_L_CreateField(hLayer, hField, TRUE);
        OGR_Fld_Destroy(hField);
        if (eErr != OGRERR_NONE) {
            *pstrError = "cannot add the field sheet to " + strName;
            return nullptr;
        }
    }
    return hLayer;
}

MergedTarget MergedOutput::LayerOf(const std::string& strLayers, const std::string& strKind,
                                   OGRLayerH hSource, std::string* pstrError) {
    MergedTarget target;
    if (!Open(pstrError))
        return target;
    const std::string strName = (m_bBySheet ? strLayers : m_strName) + "_" + strKind;
    OGRLayerH hLayer = GDALDatasetGetLayerByName(m_hDataset, strName.c_str());
    if (hLayer == nullptr && (hLayer = MakeLayer(strName, hSource, pstrError)) == nullptr)
        return target;
    if (!AddFields(hLayer, hSource, pstrError))
        return target;
    // Made now rather than with its first feature, so that the table is not part of the
    // transaction of the features (GDAL cannot take a layer's creation back).
    OGR_L_SyncToDisk(hLayer);
    // Fields added later go after these: the indexes hold for the sheet.
    OGRFeatureDefnH hTargetDefn = OGR_L_GetLayerDefn(hLayer);
    OGRFeatureDefnH hSourceDefn = OGR_L_GetLayerDefn(hSource);
    for (int i = 0; i < OGR_FD_GetFieldCount(hSourceDefn); ++i) {
        target.fieldMap.push_back(OGR_FD_GetFieldIndex(
            hTargetDefn, OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(hSourceDefn, i))));
    }
    target.iSheet = m_bBySheet ? -1 : OGR_FD_GetFieldIndex(hTargetDefn, kSheetField);
    target.hLayer = hLayer;
    return target;
}

// Fields a layer of an earlier sheet did not have.
bool MergedOutput::AddFields(OGRLayerH hLayer, OGRLayerH hSource, std::string* pstrError) {
    const std::string strName = OGR_L_GetName(hLayer);
    OGRFeatureDefnH hTargetDefn = OGR_L_GetLayerDefn(hLayer);
    OGRFeatureDefnH hSourceDefn = OGR_L_GetLayerDefn(hSource);
    for (int i = 0; i < OGR_FD_GetFieldCount(hSourceDefn); ++i) {
        OGRFieldDefnH hField = OGR_FD_GetFieldDefn(hSourceDefn, i);
        if (OGR_FD_GetFieldIndex(hTargetDefn, OGR_Fld_GetNameRef(hField)) >= 0)
            continue;
        if (OGR_L_CreateField(hLayer, hField, TRUE) != OGRERR_NONE) {
            *pstrError = std::string("cannot add the field ") + OGR_Fld_GetNameRef(hField) +
                         " to " + strName;
            return false;
        }
        m_addedFields.emplace_back(strName, OGR_Fld_GetNameRef(hField));
    }
    return true;
}

void MergedOutput::BeginFeatures() {
    m_bTransaction = GDALDatasetStartTransaction(m_hDataset, FALSE) == OGRERR_NONE;
}

bool MergedOutput::TakesAnyOrder() const {
    return m_hDataset != nullptr && GDALDatasetTestCapability(m_hDataset, ODsCRandomLayerWrite);
}

bool MergedOutput::Write(const MergedTarget& target, OGRFeatureH hIn, const std::string& strSheet) {
    OGRFeatureH hOut = OGR_F_Create(OGR_L_GetLayerDefn(target.hLayer));
    OGR_F_SetFromWithMap(hOut, hIn, TRUE, target.fieldMap.data());
    if (target.iSheet >= 0)
        OGR_F_SetFieldString(hOut, target.iSheet, strSheet.c_str());
    const OGRErr eErr = OGR_L_CreateFeature(target.hLayer, hOut);
    OGR_F_Destroy(hOut);
    if (std::find(m_written.begin(), m_written.end(), target.hLayer) == m_written.end())
        m_written.push_back(target.hLayer);
    return eErr == OGRERR_NONE;
}

bool MergedOutput::EndSheet(bool bKeep, std::string* pstrError) {
    bool bOk = true;
    if (bKeep && m_bTransaction && GDALDatasetCommitTransaction(m_hDataset) != OGRERR_NONE) {
        *pstrError = std::string("cannot write a sheet: ") + CPLGetLastErrorMsg();
        bOk = false;
    } else if (!bKeep) {
        bOk = TakeOutSheet(pstrError);
    }
    m_bTransaction = false;
    m_written.clear();
    m_addedFields.clear();
    m_nLayersBefore = m_layers.size();
    return bOk;
}

// Its features rolled back (a format without transactions cannot), the extents they widened
// worked out again, then the fields and layers made for it removed, the last first.
bool MergedOutput::TakeOutSheet(std::string* pstrError) {
    if (m_hDataset == nullptr)
        return true;
    const bool bRolledBack =
        m_bTransaction && GDALDatasetRollbackTransaction(m_hDataset) == OGRERR_NONE;
    if (!bRolledBack && (m_bTransaction || !m_written.empty())) {
        *pstrError = "cannot take a failed sheet's features out again";
        return false;
    }
    for (OGRLayerH hLayer : m_written) {
        if (m_format.Traits().ePacking == IndexPacking::GeoPackage) {
            const std::string strSql =
                std::string("RECOMPUTE EXTENT ON \"") + OGR_L_GetName(hLayer) + "\"";
            GDALDatasetReleaseResultSet(
                m_hDataset, GDALDatasetExecuteSQL(m_hDataset, strSql.c_str(), nullptr, nullptr));
        }
    }
    for (auto it = m_addedFields.rbegin(); it != m_addedFields.rend(); ++it) {
        OGRLayerH hLayer = GDALDatasetGetLayerByName(m_hDataset, it->first.c_str());
        const int iField = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(hLayer), it->second.c_str());
        if (OGR_L_DeleteField(hLayer, iField) != OGRERR_NONE) {
            *pstrError = "cannot take a failed sheet's field " + it->second + " out of " +
                         it->first + " again";
            return false;
        }
    }
    while (m_layers.size() > m_nLayersBefore) {
        const int iLayer = LayerIndex(m_hDataset, m_layers.back().strName);
        if (GDALDatasetDeleteLayer(m_hDataset, iLayer) != OGRERR_NONE) {
            *pstrError = "cannot take a failed sheet's layer " + m_layers.back().strName + " out";
            return false;
        }
        m_layers.pop_back();
    }
    return true;
}

bool MergedOutput::Commit(bool bStyles, Replacing eReplacing, std::string* pstrError) {
    // No sheet wrote anything: an empty dataset all the same.
    if (!Open(pstrError))
        return false;
    if (bStyles && !WriteStyles(
                       StyleHomeOf(m_format, false), m_layers,
                       [this](const std::string&) { return m_hDataset; }, pstrError)) {
        return false;
    }
    // A writer reports what it could not flush while closing.
    CPLErrorReset();
    GDALClose(m_hDataset);
    m_hDataset = nullptr;
    if (CPLGetLastErrorType() == CE_Failure) {
        *pstrError = "writing " + m_output.WorkPath() + " failed";
        return false;
    }
    if (!PackIndexes(m_format, m_output.WorkPath(), pstrError))
        return false;
    return m_output.Commit(eReplacing, pstrError);
}

}  // namespace mapgis_import
