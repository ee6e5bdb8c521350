// All the sheets of an archive in one dataset of a format of several layers a file. Each sheet
// is imported straight into it, sheet after sheet: into common layers NAME_kind with a "sheet"
// field naming where each feature came from, or as layers of its own (<folders>_<title>_kind).
// The dataset is written beside its target and moved into place only when every sheet is in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "gdal.h"
#include "output/OutputFormat.h"
#include "output/SafeOutput.h"
#include "styles/LayerStyles.h"

namespace mapgis_import {

// A layer of the merged dataset as one source layer writes into it: where each of the
// source's fields goes, found once rather than by name for every feature.
struct MergedTarget {
    OGRLayerH hLayer = nullptr;
    std::vector<int> fieldMap;  // by source field: the layer's field
    int iSheet = -1;            // the "sheet" field; -1 for the layers of each sheet
};

class MergedOutput {
public:
    MergedOutput(const OutputFormat& format, bool bBySheet, std::string strName);
    ~MergedOutput();
    MergedOutput(const MergedOutput&) = delete;
    MergedOutput& operator=(const MergedOutput&) = delete;

    bool Begin(const std::string& strTarget, std::string* pstrError);

    // A sheet goes in in three steps: its layers (made, or given the fields they lack), its
    // features in one transaction, then EndSheet keeps them or takes the sheet out again.
    // The layer of the kind for features like hSource's; with layers of each sheet, it is
    // named strLayers_<kind>. Its layer null with a message.
    MergedTarget LayerOf(const std::string& strLayers, const std::string& strKind,
                         OGRLayerH hSource, std::string* pstrError);
    void BeginFeatures();
    // Whether the dataset takes features for its layers in any order (one pass over a file
    // for all of its layers).
    bool TakesAnyOrder() const;
    // The feature into hTarget with the sheet's name; false when the writer refused it.
    bool Write(const MergedTarget& target, OGRFeatureH hIn, const std::string& strSheet);
    // Keeps the sheet's features, or (bKeep false) leaves nothing of the sheet: its features,
    // layers and fields go. False with a message when that cannot be done: the dataset is then
    // not to be committed.
    bool EndSheet(bool bKeep, std::string* pstrError);

    // Writes the styles and moves the dataset into place, replacing what eReplacing allows;
    // false with a message.
    bool Commit(bool bStyles, Replacing eReplacing, std::string* pstrError);

private:
    bool Open(std::string* pstrError);
    OGRLayerH MakeLayer(const std::string& strName, OGRLayerH hSource, std::string* pstrError);
    bool AddFields(OGRLayerH hLayer, OGRLayerH hSource, std::string* pstrError);
    bool TakeOutSheet(std::string* pstrError);

    const OutputFormat& m_format;
    const bool m_bBySheet;
    const std::string m_strName;
    SafeOutput m_output;
    GDALDatasetH m_hDataset = nullptr;  // made with the first layer
    std::vector<StyledLayer> m_layers;  // in the order they were made
    // What the sheet going in changed: the layers made before it, the fields it added (layer,
    // field), the layers it wrote to, and whether its features are in a transaction.
    size_t m_nLayersBefore = 0;
    std::vector<std::pair<std::string, std::string>> m_addedFields;
    std::vector<OGRLayerH> m_written;
    bool m_bTransaction = false;
};

}  // namespace mapgis_import
