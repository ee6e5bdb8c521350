// Loads the plug-in file the way a host does and imports an exchange file through the
// exported factory, the parser and its layers.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KoBase/PlxArray.h"
#include "KoElement/KtFeature.h"
#include "KoFileParser/KtExchangeParams.h"
#include "KoFileParser/KtFileParseFactory.h"
#include "KoFileParser/KtFileParser.h"

namespace testfiles {

// The plug-in library, loaded once for the whole test program.
class LoadedPlugin {
public:
    static LoadedPlugin& Get() {
        static LoadedPlugin plugin;
        return plugin;
    }
    PFN_CreateFileParseFactory CreateFactory() const { return m_pfnCreate; }
    std::string Error() const { return m_strError; }

private:
    LoadedPlugin() {
        m_pHandle = dlopen(MAPGIS_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
        if (m_pHandle == nullptr) {
            m_strError = dlerror();
            return;
        }
        m_pfnCreate = reinterpret_cast<PFN_CreateFileParseFactory>(
            dlsym(m_pHandle, "CreateFileParseFactory"));
        if (m_pfnCreate == nullptr)
            m_strError = "CreateFileParseFactory is not exported";
    }
    void* m_pHandle = nullptr;
    PFN_CreateFileParseFactory m_pfnCreate = nullptr;
    std::string m_strError;
};

// One layer's definition and every feature a full read returned.
struct ImportedLayer {
    int nType = 0;
    std::string strName;
    int nFeatureCount = 0;
    KTX::PlxRect2D rcBound;
    int nFilled = 0;  // sum of the ReadFeatures results
    // Every feature the layer touched (it carries the "RbUserID" description), in order;
    // features the reader refused have no geometry.
    std::vector<std::unique_ptr<KTX::KtFeature>> features;
};

struct ImportResult {
    bool bOpened = false;
    std::vector<ImportedLayer> layers;
};

struct ImportOptions {
    int nImportMode = KTX::KTIMPORT_CAD;
    KTX::PLXCharset eCharset = KTX::PLXCharsetUTF8;
    std::string strDestName = "dest";
    std::string strColorIndexFile;
    int nBatchSize = 16;
};

// Opens the file through the loaded plug-in and reads every layer to its end in batches.
inline ImportResult ImportThroughPlugin(const std::string& strPath, const ImportOptions& opt = {}) {
    ImportResult result;
    LoadedPlugin& plugin = LoadedPlugin::Get();
    EXPECT_NE(plugin.CreateFactory(), nullptr) << plugin.Error();
    if (plugin.CreateFactory() == nullptr)
        return result;
    std::unique_ptr<KTX::KtFileParseFactory> factory(plugin.CreateFactory()());
    auto* pParser = dynamic_cast<KTX::KtFileParseVector*>(factory->CreateFileParser(55));
    EXPECT_NE(pParser, nullptr);
    if (pParser == nullptr)
        return result;

    KTX::KtMapGisImportParams params;
    params.SetFilePathName(KTX::PlxUnicodeString::FromUtf8(strPath));
    params.SetImportMode(opt.nImportMode);
    params.SetImportOrExportCharset(opt.eCharset);
    params.SetDestDTName(KTX::PlxUnicodeString::FromUtf8(opt.strDestName));
    params.SetColorIndexFilePath(KTX::PlxUnicodeString::FromUtf8(opt.strColorIndexFile));
    result.bOpened = pParser->Open(params);

    for (int i = 0; i < pParser->GetLayerCount(); ++i) {
        KTX::KtVectorFileLayer* pLayer = pParser->GetLayer(i);
        ImportedLayer layer;
        const KTX::KtFeatureClassDefn& defn = pLayer->GetFeatureClassDefn();
        layer.nType = defn.GetType();
        layer.strName = pLayer->GetLayerName().ToUtf8();
        layer.nFeatureCount = defn.GetFeatureCount();
        layer.rcBound = defn.GetBound();
        for (;;) {
            KTX::PlxArray<KTX::KtFeature*> batch;
            std::vector<std::unique_ptr<KTX::KtFeature>> owned;
            for (int k = 0; k < opt.nBatchSize; ++k) {
                owned.push_back(std::make_unique<KTX::KtFeature>());
                batch.Add(owned.back().get());
            }
            const std::int64_t nBefore = pLayer->GetCurFilePosition();
            layer.nFilled += pLayer->ReadFeatures(batch, 0);
            const std::int64_t nAfter = pLayer->GetCurFilePosition();
            const bool bDone = nAfter == nBefore || nAfter >= pLayer->GetFileLength();
            for (auto& f : owned) {
                if (!f->GetFieldInfos().IsEmpty())
                    layer.features.push_back(std::move(f));
            }
            if (bDone)
                break;
        }
        result.layers.push_back(std::move(layer));
    }
    pParser->Close();
    factory->DestroyFileParser(pParser);
    return result;
}

}  // namespace testfiles
