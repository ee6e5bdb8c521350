// Base of the layers a vector file parser hands to the host.
#pragma once

#include <cstdint>

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxArray.h"
#include "../KoBase/PlxFieldInfo.h"
#include "../KoElement/KtFeature.h"
#include "../KoElement/KtFeatureClassDefn.h"
#include "KtExchangeParams.h"

namespace KTX {

class KOBASE_API KtVectorFileLayer {
public:
    KtVectorFileLayer() = default;
    KtVectorFileLayer(const KtVectorFileLayer&) = delete;
    KtVectorFileLayer& operator=(const KtVectorFileLayer&) = delete;

    // Layer type of the definition.
    virtual int GetType() const;
    virtual ~KtVectorFileLayer();
    // Base: moves the cursor back to the first feature.
    virtual void ResetReading();
    // Fills the given features from the cursor on and returns how many were filled.
    virtual int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) = 0;
    // Base: ReadFeatures with one feature; true when it was filled.
    virtual bool ReadOneFeature(KtFeature* pFeature);
    // Base: none.
    virtual KtPrjCoordSys* GetSpatialRef() const;
    // Export operations; base: 0 (nothing done).
    virtual int Create(const KtExportParams& params);
    virtual int CreateFields(PlxFieldInfos& fieldInfos);
    // Read progress in item units: the cursor and the number of items; base: from
    // m_nCurrentFeature and the definition's feature count.
    virtual std::int64_t GetCurFilePosition() const;
    virtual std::int64_t GetFileLength() const;
    // Reads the definition of the layer; null when the layer cannot be read.
    virtual KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) = 0;

    // Moves the cursor to a position of the layer's index (clamped to the cursor's range), so
    // that the next read starts at that item.
    void SetCurFilePosition(std::int64_t nPosition);

    void SetLayerName(const PlxUnicodeString& s) { m_strLayerName = s; }
    const PlxUnicodeString& GetLayerName() const { return m_strLayerName; }
    const KtFeatureClassDefn& GetFeatureClassDefn() const { return m_FeatureClassDefn; }

protected:
    virtual int Create();
    virtual int CreateFeature(const PlxArray<KtFeature*>& arrFeatures);

    KtFeatureClassDefn m_FeatureClassDefn;
    std::int32_t m_nCurrentFeature = 0;

private:
    PlxUnicodeString m_strLayerName;
};

}  // namespace KTX
