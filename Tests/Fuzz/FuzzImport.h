// Imports one fuzzed exchange file the way a host does: the exported factory, a parser for
// file type 55, Open with MAPGIS import parameters, every layer read to its end, Close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "KoBase/KtLogFile.h"
#include "KoBase/PlxArray.h"
#include "KoElement/KtFeature.h"
#include "KoFileParser/KtExchangeParams.h"
#include "KoFileParser/KtFileParseFactory.h"
#include "KoFileParser/KtFileParser.h"
#include "KoGeometry/KtGeometry.h"

extern "C" KTX::KtFileParseFactory* CreateFileParseFactory();

namespace fuzzimport {

constexpr int kMapgisFileType = 55;
constexpr int kBatchSize = 7;

// Reads the layer in batches of fresh features until its cursor stops.
inline void ReadLayerToEnd(KTX::KtVectorFileLayer& layer) {
    for (;;) {
        std::vector<std::unique_ptr<KTX::KtFeature>> owned;
        KTX::PlxArray<KTX::KtFeature*> batch;
        for (int i = 0; i < kBatchSize; ++i) {
            owned.push_back(std::make_unique<KTX::KtFeature>());
            batch.Add(owned.back().get());
        }
        const std::int64_t nBefore = layer.GetCurFilePosition();
        const int nFilled = layer.ReadFeatures(batch, 0);
        const std::int64_t nAfter = layer.GetCurFilePosition();
        fuzzinput::Require(nFilled >= 0 && nFilled <= kBatchSize, "ReadFeatures fills the batch");
        fuzzinput::Require(nAfter >= nBefore, "the read cursor only moves forward");
        for (const auto& pFeature : owned) {
            const KTX::KtGeometry* pGeometry = pFeature->GetGeometry();
            if (pGeometry != nullptr) {
                pGeometry->IsValid();
                pGeometry->GetType();
            }
        }
        if (nAfter == nBefore || nAfter >= layer.GetFileLength())
            return;
    }
}

// The first byte picks the import mode (bit 0: compound or typed) and the charset (bits 1
// and 2); the rest is the file, named with the given extension.
inline void ImportFuzzedFile(const std::uint8_t* pData, std::size_t nSize, const char* pszExt) {
    if (nSize == 0)
        return;
    const std::string strPath = fuzzinput::WriteTempFile(pszExt, pData + 1, nSize - 1);

    std::unique_ptr<KTX::KtFileParseFactory> factory(CreateFileParseFactory());
    fuzzinput::Require(factory != nullptr, "the factory is created");
    KTX::KtFileParser* pParser = factory->CreateFileParser(kMapgisFileType);
    auto* pVector = dynamic_cast<KTX::KtFileParseVector*>(pParser);
    fuzzinput::Require(pVector != nullptr, "type 55 gives a vector parser");

    KTX::KtMapGisImportParams params;
    params.SetFilePathName(KTX::PlxUnicodeString::FromUtf8(strPath));
    params.SetImportMode((pData[0] & 1) != 0 ? KTX::KTIMPORT_CAD : KTX::KTIMPORT_TYPED);
    params.SetImportOrExportCharset(fuzzinput::CharsetOf(pData[0] >> 1));
    params.SetDestDTName(u"fuzz");
    params.SetColorIndexFilePath(KTX::PlxUnicodeString::FromUtf8(MAPGIS_FUZZ_COLOR_FILE));
    pVector->Open(params);
    for (int i = 0; i < pVector->GetLayerCount(); ++i) {
        KTX::KtVectorFileLayer* pLayer = pVector->GetLayer(i);
        fuzzinput::Require(pLayer != nullptr, "every listed layer exists");
        ReadLayerToEnd(*pLayer);
    }
    pVector->Close();
    factory->DestroyFileParser(pParser);
    // The log keeps its records in memory; one run's refusals must not pile up over millions.
    KTX::KtLogFile::GetInstance(true);
}

}  // namespace fuzzimport
