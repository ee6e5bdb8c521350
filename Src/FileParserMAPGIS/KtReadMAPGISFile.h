// Base of the four exchange file readers: the two-pass reading contract (a pre-read that
// indexes the whole file, then positioned re-reads of single items), the process-wide colour
// and style mapping tables, and what every reader shares.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxTypes.h"
#include "KoBase/PlxUnicodeString.h"
#include "KoToolkit/KtStyleMapMgr.h"
#include "tagArcIndex.h"
#include "tagColorIndex.h"
#include "tagFileIndex.h"

namespace KTX {

class KtFeature;
class KtFeatureClassDefn;
class KtFileStdio;

// The attribute every imported feature carries: the item's identifier in the file.
inline constexpr char16_t kUserIDFieldName[] = u"RbUserID";
// Log record of a refused item that the user should see, and its level.
inline constexpr char16_t kRefusedItemMessage[] = u"IMe056";
inline constexpr int kRefusedItemLogLevel = 400;

class KtReadMAPGISFile {
public:
    KtReadMAPGISFile() = default;
    KtReadMAPGISFile(const KtReadMAPGISFile&) = delete;
    KtReadMAPGISFile& operator=(const KtReadMAPGISFile&) = delete;
    virtual ~KtReadMAPGISFile();

    // Host geometry type of the feature the item will become; 0 when not importable.
    virtual int GetType(const tagFileIndex* pIndex) const;
    // Reads the whole file once: appends one heap record per item to arrIndex (the caller
    // owns them) and sets the definition's feature count and bound.
    virtual bool PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                             KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex);
    // Reads the item of one record into the feature.
    virtual bool ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const;

    // The host geometry types a typed layer keeps; empty, the default, keeps every record.
    // Area and network records hold their arcs, so the pre-read deletes those of other
    // types as soon as it makes them: a typed layer that keeps none of them never holds the
    // file's index beside the one another layer keeps.
    void SetKeptTypes(std::vector<int> nTypes) { m_nKeptTypes = std::move(nTypes); }
    // A typed layer has sorted its records by GetType: whatever a reader kept from its
    // pre-read to answer that quickly can go.
    virtual void ForgetRecordTypes() {}

    // Colour index file into the process-wide colour table; the number written on the file's
    // second line, 0 when the file cannot be opened.
    int LoadColorData(const PlxUnicodeString& strPath, PLXCharset eCharset);
    // Packed RGB of a colour number; false, nColor untouched, when the table lacks it.
    static bool FindColorByID(int nColorID, std::int64_t& nColor);

    // Reopens the process-wide style mapping table; the manager's answer to Open.
    int LoadStyleMapTable(const PlxUnicodeString& strPath);
    // Host style numbers of MAPGIS line type, fill pattern and symbol numbers; 0 unmapped.
    static int FineLineStyleByID(int nLineStyle);
    static int FineFillStyleByID(int nFillStyle);
    static int FineSymbolStyleByID(int nSymbol);

    // Closes the style mapping table and empties the colour table (library unload).
    static void ReleaseSharedTables();

    // True while the features go to the compound layer: geometries get their MAPGIS styles
    // and arcs and circles stay curves. Written by the layer before every batch of reads.
    bool m_bCADMode = true;

protected:
    // What to do with the stream object when the file cannot be opened.
    enum class OnOpenFailure { DeleteStream, KeepStream };
    // Creates the stream when there is none and opens it for reading when it is not open;
    // true when the stream is open afterwards.
    bool OpenStream(const PlxUnicodeString& strPath, PLXCharset eCharset, OnOpenFailure eFailure);

    // The start of every positioned item read: false when the record, the feature or the
    // stream is missing, or the item's position lies at or beyond the end of the file;
    // otherwise the feature carries the "RbUserID" description and the stream stands at the
    // item's first line.
    bool StartItemRead(const tagFileIndex* pIndex, KtFeature* pFeature) const;

    // Whether records of a host geometry type go to the index.
    bool KeepsType(int nType) const;
    // Appends the record to the index unless its type is not kept.
    void AddIndexRecord(std::unique_ptr<tagFileIndex> pRecord,
                        PlxArray<tagFileIndex*>& arrIndex) const;

    // Gives the feature the field description of "RbUserID" (an int32 field).
    void InitUserID(KtFeature*& pFeature) const;
    // The first arc whose nArcNo equals |nArcNo|, as a copy; nItemID -1 and zeros when none.
    tagArcIndex FindArcByItemID(int nArcNo, const PlxArray<tagArcIndex>& arrArcs) const;

    bool m_bOpen = false;
    KtFileStdio* m_pFile = nullptr;
    std::vector<int> m_nKeptTypes;

    static KtStyleMapMgr m_StyMapTable;
    static PlxArray<tagColorIndex> m_ArrColorIndex;

private:
    // The lookup by colour number that FindColorByID uses, rebuilt from m_ArrColorIndex.
    static void IndexColorData();
    static void ReleaseColorData();
};

}  // namespace KTX
