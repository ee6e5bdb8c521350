// All the sheets of an archive in one dataset.
#include "archive/ArchiveMerge.h"

#include <utility>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "ogr_api.h"

namespace mapgis_import {

namespace {

constexpr const char* kSheetField = "sheet";

struct SourceCloser {
    GDALDatasetH h;
    ~SourceCloser() {
        if (h != nullptr)
            GDALClose(h);
    }
};

// The -lco values among the translation options, for the layers made here.
CPLStringList LayerOptions(const CPLStringList& aosOptions) {
    CPLStringList aosOut;
    for (int i = 0; i + 1 < aosOptions.size(); ++i) {
        if (EQUAL(aosOptions[i], "-lco"))
            aosOut.AddString(aosOptions[++i]);
    }
    return aosOut;
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

OGRLayerH MergedOutput::TargetLayer(const std::string& strName, OGRLayerH hSource,
                                    std::string* pstrError) {
    if (!Open(pstrError))
        return nullptr;
    OGRLayerH hLayer = GDALDatasetGetLayerByName(m_hDataset, strName.c_str());
    if (hLayer == nullptr) {
        const CPLStringList aosOptions = LayerOptions(m_format.aosOptions);
        hLayer = GDALDatasetCreateLayer(m_hDataset, strName.c_str(), OGR_L_GetSpatialRef(hSource),
                                        OGR_L_GetGeomType(hSource), aosOptions.List());
        if (hLayer == nullptr) {
            *pstrError = "cannot create the layer " + strName + ": " + CPLGetLastErrorMsg();
            return nullptr;
        }
        if (!m_bBySheet) {
            OGRFieldDefnH hField = OGR_Fld_Create(kSheetField, OFTString);
            const OGRErr eErr = OGR_L_CreateField(hLayer, hField, TRUE);
            OGR_Fld_Destroy(hField);
            if (eErr != OGRERR_NONE) {
                *pstrError = "cannot add the field sheet to " + strName;
                return nullptr;
            }
        }
        m_layers.push_back(
            {m_output.WorkPath(), strName, DrawingOf(strName.substr(strName.rfind('_') + 1))});
    }
    // Fields a layer of an earlier sheet did not have.
    OGRFeatureDefnH hTargetDefn = OGR_L_GetLayerDefn(hLayer);
    OGRFeatureDefnH hSourceDefn = OGR_L_GetLayerDefn(hSource);
    for (int i = 0; i < OGR_FD_GetFieldCount(hSourceDefn); ++i) {
        OGRFieldDefnH hField = OGR_FD_GetFieldDefn(hSourceDefn, i);
        if (OGR_FD_GetFieldIndex(hTargetDefn, OGR_Fld_GetNameRef(hField)) < 0 &&
            OGR_L_CreateField(hLayer, hField, TRUE) != OGRERR_NONE) {
            *pstrError = std::string("cannot add the field ") + OGR_Fld_GetNameRef(hField) +
                         " to " + strName;
            return nullptr;
        }
    }
    return hLayer;
}

bool MergedOutput::Append(const std::string& strSheet, const std::string& strLayers,
                          const std::string& strSheetOutput, std::string* pstrError) {
    SourceCloser source{GDALOpenEx(strSheetOutput.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                   nullptr, nullptr, nullptr)};
    if (source.h == nullptr) {
        *pstrError = "cannot open the output of sheet " + strSheet;
        return false;
    }
    const std::string strPrefix = std::string(kWorkerName) + "_";
    for (int iLayer = 0; iLayer < GDALDatasetGetLayerCount(source.h); ++iLayer) {
        OGRLayerH hSource = GDALDatasetGetLayer(source.h, iLayer);
        const std::string strSourceName = OGR_L_GetName(hSource);
        if (strSourceName.compare(0, strPrefix.size(), strPrefix) != 0)
            continue;  // the styles table
        const std::string strKind = strSourceName.substr(strPrefix.size());
        const std::string strName = (m_bBySheet ? strLayers : m_strName) + "_" + strKind;
        OGRLayerH hTarget = TargetLayer(strName, hSource, pstrError);
        if (hTarget == nullptr)
            return false;
        OGRFeatureDefnH hDefn = OGR_L_GetLayerDefn(hTarget);
        const int iSheet = OGR_FD_GetFieldIndex(hDefn, kSheetField);
        const bool bTransaction = OGR_L_StartTransaction(hTarget) == OGRERR_NONE;
        OGR_L_ResetReading(hSource);
        OGRErr eErr = OGRERR_NONE;
        while (OGRFeatureH hIn = OGR_L_GetNextFeature(hSource)) {
            OGRFeatureH hOut = OGR_F_Create(hDefn);
            OGR_F_SetFrom(hOut, hIn, TRUE);
            if (iSheet >= 0)
                OGR_F_SetFieldString(hOut, iSheet, strSheet.c_str());
            eErr = OGR_L_CreateFeature(hTarget, hOut);
            OGR_F_Destroy(hOut);
            OGR_F_Destroy(hIn);
            if (eErr != OGRERR_NONE)
                break;
        }
        if (bTransaction && eErr == OGRERR_NONE)
            eErr = OGR_L_CommitTransaction(hTarget);
        if (eErr != OGRERR_NONE) {
            *pstrError =
                "cannot write sheet " + strSheet + " into " + strName + ": " + CPLGetLastErrorMsg();
            return false;
        }
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
