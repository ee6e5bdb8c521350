// The parser of one MAPGIS exchange file: one compound layer, or up to four typed layers.
#pragma once

#include "KoFileParser/KtFileParser.h"

namespace KTX {

class KtFileParserMapGis : public KtFileParseVector {
public:
    KtFileParserMapGis() = default;
    KtFileParserMapGis(const KtFileParserMapGis&) = delete;
    KtFileParserMapGis& operator=(const KtFileParserMapGis&) = delete;
    // The layers are freed by Close, not here.
    ~KtFileParserMapGis() override;

    // Appends the layers whose definition can be read. A non-zero import mode asks for one
    // compound layer and fails without it; mode 0 tries the point, line, region and text
    // layers and succeeds with whichever remain, none included.
    bool Open(const KtImportParams& params) override;
    // Deletes every layer.
    void Close() override;

    // MAPGIS files are read only: nothing is written.
    int Create(KtVectorExportParams* pParams, KtPrjCoordSys* pPrjCoordSys) override;
    KtVectorFileLayer* CreateLayer(KtFeatureClassDefn* pDefn) override;
    KtVectorFileLayer* CreateLayer(KtFeatureClassDefn* pDefn, PLXCharset eCharset) override;

private:
    // Keeps the layer when its definition can be read, deletes it otherwise.
    bool AddLayerIfReadable(KtVectorFileLayer* pLayer, const KtImportParams& params);
};

}  // namespace KTX
