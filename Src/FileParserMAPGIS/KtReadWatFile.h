// Reader of MAPGIS point files (.wat): annotation texts, multi-line texts, point symbols
// (sub-maps), circles, arcs and images, one record per item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxTypes.h"
#include "KoBase/PlxUnicodeString.h"
#include "KoElement/KtTextStyle.h"
#include "KtBoundBuilder.h"
#include "KtFieldSpans.h"
#include "KtReadMAPGISFile.h"
#include "tagTextCell.h"

namespace KTX {

class KtReadWatFile : public KtReadMAPGISFile {
public:
    KtReadWatFile() = default;
    ~KtReadWatFile() override = default;

    int GetType(const tagFileIndex* pIndex) const override;
    bool PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset, KtFeatureClassDefn& defn,
                     PlxArray<tagFileIndex*>& arrIndex) override;
    bool ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const override;
    void ForgetRecordTypes() override;

protected:
    // Number of physical lines of the record at nPos, 0 when it is not to be indexed; the
    // record's lines joined into one are left in strLine.
    int PrevProcessFileData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessTextData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessSubMapData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessArcData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessCircleData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessImageData(int nPos, PlxUnicodeString& strLine);
    int PrevProcessMTextData(int nPos, PlxUnicodeString& strLine);

    bool ReadTextData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;
    bool ReadMTextData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;
    bool ReadSubMapData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;
    bool ReadCircleData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;
    bool ReadArcData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;
    // Images cannot be imported.
    bool ReadImageData(const PlxArray<PlxUnicodeString>& arrFields, KtFeature* pFeature) const;

    // Face name of a MAPGIS font number, from the host's resources.
    PlxUnicodeString MAPGISFont2KTXFont(int nFont) const;

private:
    friend struct KtReadWatFileTestAccess;

    // Reads the lines of one record from nPos on until they hold at least nMinFields fields.
    int PrevProcessRecord(int nPos, PlxUnicodeString& strLine, int nMinFields);
    // What the pre-read keeps of a record: its anchor, as far as it can move the bound,
    // and its identifier.
    struct RecordAnchor {
        KtBoundBuilder::Pending point;
        int nItemID = 0;
        int nType = 0;  // what GetType answers for the record
    };
    // Host type of a record from the fields of its first line, its identifier aside.
    static int TypeOfFirstLine(const KtFieldSpans& fields);
    // PrevProcessFileData in one reading of each line: the record's lines joined into
    // strLine and its anchor, prepared for the bound; the stream is left after the record.
    int PreReadRecord(int nPos, PlxUnicodeString& strLine, const KtBoundBuilder& bound,
                      RecordAnchor& anchor);
    // Appends continuation lines to strLine (the record's first line, of nFields fields)
    // until the record holds nMinFields fields or the file ends; the record's line count.
    int ContinueRecord(PlxUnicodeString& strLine, int nFields, int nMinFields);
    // Text style of an annotation: colour, size (host width is half the MAPGIS width), face
    // and slant.
    KtTextStyle MakeTextStyle(int nColor, double dHeight, double dHostWidth, int nFont,
                              int nFontStyle) const;
    // One "IMe056" log record for a refused record; nSourceLine is the line of the check.
    static void LogRefusedItem(int nSourceLine);

    // The types a typed layer's pre-read found, in index order: the layer asks the type of
    // every record right after the pre-read, which has just read each record's first line,
    // so GetType answers from here instead of reading every first line once more.
    struct KnownType {
        std::int32_t nFilePos;
        std::int32_t nItemID;
        int nType;
    };
    std::vector<KnownType> m_knownTypes;
    mutable std::size_t m_nNextKnown = 0;  // where the next question is expected

    // Control-code layout of annotation texts. Every operation appends heap pieces to
    // arrCells (the caller owns and deletes them) and reads only inside the given text.
    bool CanConversionText(const PlxUnicodeString& strText) const;
    int ConversionText(const PlxUnicodeString& strText, double dX, double dY, double dHeight,
                       double dWidth, double dSpace, double dAngle,
                       PlxArray<tagTextCell*>& arrCells) const;
    // Base character at iBase followed by groups whose first group holds one character; the
    // group's "#" is at iGroup. Returns the characters consumed from iBase on.
    int ExcuteText01(const PlxUnicodeString& strText, int iGroup, int iBase, double& dX, double& dY,
                     double dHeight, double dWidth, double dSpace, double dAngle,
                     PlxArray<tagTextCell*>& arrCells) const;
    // Base character followed by stacked groups of several characters.
    int ExcuteText02(const PlxUnicodeString& strText, int iGroup, int iBase, double& dX, double& dY,
                     double dHeight, double dWidth, double dSpace, double dAngle,
                     PlxArray<tagTextCell*>& arrCells) const;
    // Stacked fraction; strText is the text without its enclosing slashes.
    void ExcuteText03(const PlxUnicodeString& strText, double dX, double dY, double dHeight,
                      double dWidth, double dSpace, double dAngle,
                      PlxArray<tagTextCell*>& arrCells) const;
    // Vertical text, one character below the other, not yet rotated.
    int ExcuteText04(const PlxUnicodeString& strText, double dX, double dY, double dHeight,
                     double dWidth, double dSpace, double dAngle,
                     PlxArray<tagTextCell*>& arrCells) const;
    // Spaced text, one character at a time along the baseline; moves the pen.
    int ExcuteText05(const PlxUnicodeString& strText, double& dX, double& dY, double dHeight,
                     double dWidth, double dSpace, double dAngle,
                     PlxArray<tagTextCell*>& arrCells) const;
    // pnt rotated counter-clockwise about centre by dAngle degrees.
    PlxPoint2D RatotePoint2D(const PlxPoint2D& centre, const PlxPoint2D& pnt, double dAngle) const;
};

}  // namespace KTX
