// The layer the host reads a MAPGIS file from. Used directly it is the compound layer: every
// item of the file with its MAPGIS style. It is also the base of the four typed layers.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "KoBase/PlxArray.h"
#include "KoFileParser/KtVectorFileLayer.h"
#include "KoGeometry/KtGeometry.h"
#include "KtReadMAPGISFile.h"
#include "tagFileIndex.h"

namespace KTX {

class KtMapGisCADFileLayer : public KtVectorFileLayer {
public:
    KtMapGisCADFileLayer() = default;
    KtMapGisCADFileLayer(const KtMapGisCADFileLayer&) = delete;
    KtMapGisCADFileLayer& operator=(const KtMapGisCADFileLayer&) = delete;
    // Frees the reader (closing its file) and every index record.
    ~KtMapGisCADFileLayer() override;

    // The cursor only moves forward: a layer is read through once.
    void ResetReading() override;
    // Fills the features from the index at the cursor, one record per array position, and
    // returns how many were filled; a record the reader refuses still uses up its position.
    int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) override;
    // MAPGIS files are read only.
    int Create(const KtExportParams& params) override;
    int CreateFields(PlxFieldInfos& fieldInfos) override;
    // Pre-reads the whole file (params must be KtMapGisImportParams); null when there is no
    // reader for the extension or the pre-read fails.
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override;

protected:
    using KtVectorFileLayer::Create;
    int CreateFeature(const PlxArray<KtFeature*>& arrFeatures) override;

    // A new reader for the last three characters of a file's extension, or null.
    KtReadMAPGISFile* BuildReadFile(const PlxUnicodeString& strExt) const;

    // Replaces the geometry of a feature the typed layer has read with its own kind.
    using GeometryReshaper = void (*)(KtFeature& feature, const KtGeometry& geometry,
                                      int nSegmentCount);

    // Definition reading of a typed layer: a new reader, an unstyled pre-read, then only the
    // records whose reader type is one of nKinds; null when none remains.
    KtFeatureClassDefn* ReadTypedLayerDefn(const KtImportParams& params,
                                           std::initializer_list<int> nKinds, int nLayerType,
                                           const char16_t* pszNameSuffix);
    // ReadFeatures followed by pfnReshape on every feature of the batch that has a geometry.
    int ReadFeaturesReshaped(PlxArray<KtFeature*>& arrFeatures, int nFlags,
                             GeometryReshaper pfnReshape);

    // Segments of a full circle when a typed layer turns curves into lines or rings.
    std::int32_t m_nSegmentCount = 72;
    // Copied into the reader before every batch: styled items for the compound layer.
    bool m_bCADMode = true;
    KtReadMAPGISFile* m_pReadFile = nullptr;
    PlxArray<tagFileIndex*> m_arrFileIndex;

private:
    void DeleteReaderAndIndex();
};

}  // namespace KTX
