// The TABLES section: what a strict reader looks up by name.
#include "DxfTables.h"

#include <algorithm>
#include <cmath>

#include "DxfColor.h"
#include "DxfGroups.h"
#include "DxfLineTypes.h"
#include "DxfNames.h"

namespace mapgis_dxf {

namespace {

// Chinese CAD users draw with the GB/T 14691 drafting fonts AutoCAD's Chinese edition ships:
// gbenor.shx for Latin letters and digits with the big font gbcbig.shx for Chinese. Both
// ship with AutoCAD and most Chinese CAD programs; a reader that lacks them substitutes its
// own, where a missing TrueType face (SimSun on a machine without it) may lose the glyphs.
constexpr const char* kLatinFont = "gbenor.shx";
constexpr const char* kBigFont = "gbcbig.shx";

class Table {
public:
    Table(DxfGroups* pGroups, DxfHandles* pHandles, const char* pszName, size_t nCount)
        : m_pGroups(pGroups), m_pHandles(pHandles), m_pszName(pszName) {
        m_nHandle = pHandles->New();
        pGroups->Text(0, "TABLE");
        pGroups->Text(2, pszName);
        pGroups->Handle(5, m_nHandle);
        pGroups->Handle(330, 0);
        pGroups->Text(100, "AcDbSymbolTable");
        pGroups->Int(70, static_cast<long>(nCount));
        if (std::string(pszName) == "DIMSTYLE") {
            pGroups->Text(100, "AcDbDimStyleTable");
            pGroups->Int(71, 0);
        }
    }
    ~Table() { m_pGroups->Text(0, "ENDTAB"); }

    // A record up to its flags; nHandle 0 takes a new one.
    void Record(const char* pszSubclass, const std::string& strName, unsigned nHandle = 0) {
        m_pGroups->Text(0, m_pszName);
        // Dimension styles alone keep their handle under 105.
        const bool bDimStyle = std::string(m_pszName) == "DIMSTYLE";
        m_pGroups->Handle(bDimStyle ? 105 : 5, nHandle != 0 ? nHandle : m_pHandles->New());
        m_pGroups->Handle(330, m_nHandle);
        m_pGroups->Text(100, "AcDbSymbolTableRecord");
        m_pGroups->Text(100, pszSubclass);
        m_pGroups->Text(2, strName);
        m_pGroups->Int(70, 0);
    }

private:
    DxfGroups* m_pGroups;
    DxfHandles* m_pHandles;
    const char* m_pszName;
    unsigned m_nHandle = 0;
};

void ViewportTable(const OGREnvelope& extent, DxfGroups* pGroups, DxfHandles* pHandles) {
    Table table(pGroups, pHandles, "VPORT", 1);
    table.Record("AcDbViewportTableRecord", "*ACTIVE");
    const bool bEmpty = !extent.IsInit();
    const double dfWidth = bEmpty ? 1 : std::max(extent.MaxX - extent.MinX, 1e-9);
    const double dfHeight = bEmpty ? 1 : std::max(extent.MaxY - extent.MinY, 1e-9);
    pGroups->Point(10, 0, 0);
    pGroups->Point(11, 1, 1);
    pGroups->Point(12, bEmpty ? 0 : (extent.MinX + extent.MaxX) / 2,
                   bEmpty ? 0 : (extent.MinY + extent.MaxY) / 2);
    pGroups->Point(13, 0, 0);
    pGroups->Point(14, 1, 1);
    pGroups->Point(15, 1, 1);
    pGroups->Point3(16, 0, 0, 1);
    pGroups->Point3(17, 0, 0, 0);
    // The whole sheet in view, with a margin.
    pGroups->Real(40, std::max(dfHeight, dfWidth / 1.5) * 1.1);
    pGroups->Real(41, 1.5);
    pGroups->Real(42, 50);
    // No clipping, no twist, the usual display modes: what AutoCAD writes for a plan view.
    for (int nCode : {43, 44, 50, 51})
        pGroups->Real(nCode, 0);
    for (const auto& [nCode, nValue] :
         {std::pair{71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0}})
        pGroups->Int(nCode, nValue);
}

void LineTypeRecord(Table* pTable, DxfGroups* pGroups, const char* pszName,
                    const char* pszDescription, const std::vector<double>& adfLengths) {
    pTable->Record("AcDbLinetypeTableRecord", pszName);
    pGroups->Text(3, pszDescription);
    pGroups->Int(72, 65);
    pGroups->Int(73, static_cast<long>(adfLengths.size()));
    double dfTotal = 0;
    for (double dfLength : adfLengths)
        dfTotal += std::abs(dfLength);
    pGroups->Real(40, dfTotal);
    for (double dfLength : adfLengths) {
        pGroups->Real(49, dfLength);
        pGroups->Int(74, 0);
    }
}

// Pattern lengths are millimetres of the printed map, in drawing units by the sheet's scale.
void LineTypeTable(const DxfTableInput& input, DxfGroups* pGroups, DxfHandles* pHandles) {
    Table table(pGroups, pHandles, "LTYPE", 3 + input.lineStyles.size());
    LineTypeRecord(&table, pGroups, "ByBlock", "", {});
    LineTypeRecord(&table, pGroups, "ByLayer", "", {});
    LineTypeRecord(&table, pGroups, "Continuous", "Solid line", {});
    for (int nStyle : input.lineStyles) {
        const std::optional<DxfLineType> lineType = LineTypeOfStyle(nStyle);
        std::vector<double> adfLengths;
        for (double dfLength : lineType->adfPattern)
            adfLengths.push_back(dfLength * input.dfUnitsPerMm);
        LineTypeRecord(&table, pGroups, lineType->pszName, lineType->pszDescription, adfLengths);
    }
}

void LayerRecord(Table* pTable, DxfGroups* pGroups, const std::string& strName,
                 const DxfLayerColor& color) {
    pTable->Record("AcDbLayerTableRecord", strName);
    if (color.shared) {
        pGroups->Int(62, NearestAci(*color.shared));
        pGroups->Int(420, static_cast<long>(*color.shared));
    } else {
        pGroups->Int(62, 7);
    }
    pGroups->Text(6, "Continuous");
    pGroups->Int(370, -3);  // the default weight
}

void LayerTable(const DxfTableInput& input, DxfGroups* pGroups, DxfHandles* pHandles) {
    Table table(pGroups, pHandles, "LAYER", 1 + input.layers.size());
    LayerRecord(&table, pGroups, "0", DxfLayerColor{});
    for (const auto& [strName, color] : input.layers)
        LayerRecord(&table, pGroups, strName, color);
}

void StyleRecord(Table* pTable, DxfGroups* pGroups, const char* pszName, const char* pszFont,
                 const char* pszBigFont) {
    pTable->Record("AcDbTextStyleTableRecord", pszName);
    pGroups->Real(40, 0);
    pGroups->Real(41, 1);
    pGroups->Real(50, 0);
    pGroups->Int(71, 0);
    pGroups->Real(42, 2.5);
    pGroups->Text(3, pszFont);
    pGroups->Text(4, pszBigFont);
}

void StyleTable(DxfGroups* pGroups, DxfHandles* pHandles) {
    Table table(pGroups, pHandles, "STYLE", 2);
    StyleRecord(&table, pGroups, "Standard", "txt", "");
    StyleRecord(&table, pGroups, kTextStyleName, kLatinFont, kBigFont);
}

void SmallTables(DxfGroups* pGroups, DxfHandles* pHandles) {
    { Table view(pGroups, pHandles, "VIEW", 0); }
    { Table ucs(pGroups, pHandles, "UCS", 0); }
    {
        Table appid(pGroups, pHandles, "APPID", 1);
        appid.Record("AcDbRegAppTableRecord", "ACAD");
    }
    Table dimstyle(pGroups, pHandles, "DIMSTYLE", 1);
    dimstyle.Record("AcDbDimStyleTableRecord", "Standard");
}

void BlockRecordTable(const DxfTableInput& input, DxfGroups* pGroups, DxfHandles* pHandles) {
    Table table(pGroups, pHandles, "BLOCK_RECORD", input.blockRecords.size());
    for (size_t i = 0; i < input.blockRecords.size(); ++i) {
        table.Record("AcDbBlockTableRecord", input.blockRecords[i].first,
                     input.blockRecords[i].second);
        // Model and paper space point to their layouts.
        if (i < 2)
            pGroups->Handle(340, i == 0 ? input.layouts.nModelLayout : input.layouts.nPaperLayout);
    }
}

}  // namespace

std::string DxfTablesSection(const DxfTableInput& input, DxfHandles* pHandles) {
    DxfGroups groups;
    groups.Text(0, "SECTION");
    groups.Text(2, "TABLES");
    ViewportTable(input.extent, &groups, pHandles);
    LineTypeTable(input, &groups, pHandles);
    LayerTable(input, &groups, pHandles);
    StyleTable(&groups, pHandles);
    SmallTables(&groups, pHandles);
    BlockRecordTable(input, &groups, pHandles);
    groups.Text(0, "ENDSEC");
    return groups.Str();
}

}  // namespace mapgis_dxf
