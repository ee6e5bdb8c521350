// Where an import's output layers go, and the datasets written so far.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cpl_conv.h"
#include "cpl_error.h"
#include "gdal.h"

namespace mapgis_import {

struct DatasetCloser {
    void operator()(void* h) const { GDALClose(h); }
};
using DatasetPtr = std::unique_ptr<void, DatasetCloser>;

// Where the output layers go: into one dataset, or, for a format of one layer per file,
// each into its own file in the output folder.
class Destinations {
public:
    Destinations(std::string strWork, bool bFolder, std::string strExtension)
        : m_strWork(std::move(strWork)), m_bFolder(bFolder), m_strExt(std::move(strExtension)) {}

    // The path of the dataset the layer goes to.
    std::string PathOf(const std::string& strLayer) const {
        if (!m_bFolder)
            return m_strWork;
        return CPLFormFilename(m_strWork.c_str(), strLayer.c_str(),
                               m_strExt.empty() ? nullptr : m_strExt.c_str());
    }
    // The dataset written at the path so far, or null.
    GDALDatasetH Find(const std::string& strPath) const {
        for (const auto& entry : m_open) {
            if (entry.first == strPath)
                return entry.second.get();
        }
        return nullptr;
    }
    void Keep(const std::string& strPath, GDALDatasetH hDataset) {
        m_open.emplace_back(strPath, DatasetPtr(hDataset));
    }
    // Closes every dataset; false when closing one reported a failure (the data did not get
    // to disk).
    bool CloseAll() {
        CPLErrorReset();
        m_open.clear();
        return CPLGetLastErrorType() != CE_Failure;
    }

private:
    std::string m_strWork;
    bool m_bFolder;
    std::string m_strExt;
    std::vector<std::pair<std::string, DatasetPtr>> m_open;
};

}  // namespace mapgis_import
