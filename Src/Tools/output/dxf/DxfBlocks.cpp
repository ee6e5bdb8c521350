// The BLOCKS section: the model and paper space blocks and one marker block per symbol.
#include "DxfBlocks.h"

#include "DxfGroups.h"
#include "DxfMarkers.h"
#include "DxfNames.h"

namespace mapgis_dxf {

namespace {

// What BLOCK and ENDBLK begin with: their handle, owner, space and layer.
void BlockEntity(const char* pszType, unsigned nRecord, bool bPaper, DxfGroups* pGroups,
                 DxfHandles* pHandles) {
    pGroups->Text(0, pszType);
    pGroups->Handle(5, pHandles->New());
    pGroups->Handle(330, nRecord);
    pGroups->Text(100, "AcDbEntity");
    if (bPaper)
        pGroups->Int(67, 1);
    pGroups->Text(8, "0");
}

void Block(const std::string& strName, unsigned nRecord, bool bPaper, DxfGroups* pGroups,
           DxfHandles* pHandles) {
    BlockEntity("BLOCK", nRecord, bPaper, pGroups, pHandles);
    pGroups->Text(100, "AcDbBlockBegin");
    pGroups->Text(2, strName);
    pGroups->Int(70, 0);
    pGroups->Point3(10, 0, 0, 0);
    pGroups->Text(3, strName);
    pGroups->Text(1, "");
}

void EndBlock(unsigned nRecord, bool bPaper, DxfGroups* pGroups, DxfHandles* pHandles) {
    BlockEntity("ENDBLK", nRecord, bPaper, pGroups, pHandles);
    pGroups->Text(100, "AcDbBlockEnd");
}

}  // namespace

std::vector<std::pair<std::string, unsigned>> DxfBlockRecords(unsigned nModelSpace,
                                                              unsigned nPaperSpace,
                                                              const std::set<int>& symbols,
                                                              DxfHandles* pHandles) {
    std::vector<std::pair<std::string, unsigned>> records = {{"*Model_Space", nModelSpace},
                                                             {"*Paper_Space", nPaperSpace}};
    for (int nSymbol : symbols)
        records.emplace_back(SymbolBlockName(nSymbol), pHandles->New());
    return records;
}

std::string DxfBlocksSection(const std::vector<std::pair<std::string, unsigned>>& records,
                             const std::set<int>& symbols, DxfHandles* pHandles) {
    DxfGroups groups;
    groups.Text(0, "SECTION");
    groups.Text(2, "BLOCKS");
    auto symbol = symbols.begin();
    for (size_t i = 0; i < records.size(); ++i) {
        const auto& [strName, nRecord] = records[i];
        const bool bPaper = i == 1;
        Block(strName, nRecord, bPaper, &groups, pHandles);
        if (i >= 2)
            WriteMarker(*symbol++, nRecord, &groups, pHandles);
        EndBlock(nRecord, bPaper, &groups, pHandles);
    }
    groups.Text(0, "ENDSEC");
    return groups.Str();
}

}  // namespace mapgis_dxf
