// All the sheets of an archive in one dataset of a format of several layers a file. Each sheet's
// own output, written by its worker, is appended as the worker finishes: into common layers
// NAME_kind with a "sheet" field naming where each feature came from, or as layers of its own
// (<folders>_<title>_kind). The dataset is written beside its target and moved into place only when
// every sheet is in.
#pragma once

#include <string>
#include <vector>

#include "gdal.h"
#include "output/OutputFormat.h"
#include "output/SafeOutput.h"
#include "styles/LayerStyles.h"

namespace mapgis_import {

// What a worker calls the layers of its sheet: kWorkerName + "_" + the kind.
constexpr const char* kWorkerName = "sheet";

class MergedOutput {
public:
    MergedOutput(const OutputFormat& format, bool bBySheet, std::string strName);
    ~MergedOutput();
    MergedOutput(const MergedOutput&) = delete;
    MergedOutput& operator=(const MergedOutput&) = delete;

    bool Begin(const std::string& strTarget, std::string* pstrError);
    // Appends the layers of the sheet strSheet ("a/b/1") from its own output; with layers of
    // each sheet, they are named strLayers_<kind>. False with a message, and then nothing is
    // to be committed.
    bool Append(const std::string& strSheet, const std::string& strLayers,
                const std::string& strSheetOutput, std::string* pstrError);
    // Writes the styles and moves the dataset into place, replacing what eReplacing allows;
    // false with a message.
    bool Commit(bool bStyles, Replacing eReplacing, std::string* pstrError);

private:
    OGRLayerH TargetLayer(const std::string& strName, OGRLayerH hSource, std::string* pstrError);
    bool Open(std::string* pstrError);

    const OutputFormat& m_format;
    const bool m_bBySheet;
    const std::string m_strName;
    SafeOutput m_output;
    GDALDatasetH m_hDataset = nullptr;  // made with the first layer
    std::vector<StyledLayer> m_layers;  // in the order they were made
};

}  // namespace mapgis_import
