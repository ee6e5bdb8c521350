// Base of every file parser, and of the vector file parsers that hold a layer list.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxArray.h"
#include "KtExchangeParams.h"
#include "KtVectorFileLayer.h"

namespace KTX {

class KOBASE_API KtFileParser {
public:
    KtFileParser() = default;
    KtFileParser(const KtFileParser&) = delete;
    KtFileParser& operator=(const KtFileParser&) = delete;
    virtual ~KtFileParser();

    virtual bool Open(const KtImportParams& params) = 0;
    virtual void Close() = 0;
    // Group of the file type (vector, raster, ...); base: 0, vector.
    virtual int GetFileGroup() const;
};

class KOBASE_API KtFileParseVector : public KtFileParser {
public:
    virtual int GetLayerCount() const;
    // Layer i, still owned by the parser; null outside the list.
    virtual KtVectorFileLayer* GetLayer(int i) const;
    virtual KtVectorFileLayer* GetLayerByName(const PlxUnicodeString& strName) const;
    // Export operations; base: nothing done (0, null, false).
    virtual int Create(KtVectorExportParams* pParams, KtPrjCoordSys* pPrjCoordSys);
    virtual KtVectorFileLayer* CreateLayer(KtFeatureClassDefn* pDefn);
    virtual KtVectorFileLayer* CreateLayer(KtFeatureClassDefn* pDefn, PLXCharset eCharset);
    virtual bool BeginWrite();
    virtual bool EndWrite();

protected:
    PlxArray<KtVectorFileLayer*> m_arrLayers;
};

}  // namespace KTX
