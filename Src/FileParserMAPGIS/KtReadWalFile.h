// Reader of MAPGIS line files (.wal). After two header lines (a title, then the number of
// items) each item is a style line of 9 fields (line type, -, colour number, width, ...), a
// point count, that many "x,y" lines and an "identifier,-" line.
#pragma once

#include "KtReadMAPGISFile.h"

namespace KTX {

class KtReadWalFile : public KtReadMAPGISFile {
public:
    KtReadWalFile() = default;
    ~KtReadWalFile() override;

    // Every item of a line file becomes a line (3), as long as the file is open.
    int GetType(const tagFileIndex* pIndex) const override;
    bool PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset, KtFeatureClassDefn& defn,
                     PlxArray<tagFileIndex*>& arrIndex) override;
    bool ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const override;
};

}  // namespace KTX
