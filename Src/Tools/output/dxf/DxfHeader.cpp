// The HEADER section.
#include "DxfGroups.h"
#include "DxfNames.h"
#include "DxfTables.h"

namespace mapgis_dxf {

namespace {

constexpr int kInsUnitsMetres = 6;
constexpr int kInsUnitsUnitless = 0;

void Variable(DxfGroups* pGroups, const char* pszName) {
    pGroups->Text(9, pszName);
}

}  // namespace

std::string DxfHeaderSection(const OGREnvelope& extent, bool bMetres, unsigned nHandleSeed) {
    DxfGroups groups;
    groups.Text(0, "SECTION");
    groups.Text(2, "HEADER");
    Variable(&groups, "$ACADVER");
    groups.Text(1, "AC1015");
    // Texts are GBK: the code page of Simplified Chinese Windows.
    Variable(&groups, "$DWGCODEPAGE");
    groups.Text(3, "ANSI_936");
    Variable(&groups, "$INSBASE");
    groups.Point3(10, 0, 0, 0);
    const bool bEmpty = !extent.IsInit();
    Variable(&groups, "$EXTMIN");
    groups.Point3(10, bEmpty ? 0 : extent.MinX, bEmpty ? 0 : extent.MinY, 0);
    Variable(&groups, "$EXTMAX");
    groups.Point3(10, bEmpty ? 0 : extent.MaxX, bEmpty ? 0 : extent.MaxY, 0);
    Variable(&groups, "$LTSCALE");
    groups.Real(40, 1.0);
    Variable(&groups, "$TEXTSTYLE");
    groups.Text(7, kTextStyleName);
    Variable(&groups, "$CLAYER");
    groups.Text(8, "0");
    Variable(&groups, "$MEASUREMENT");
    groups.Int(70, 1);
    Variable(&groups, "$INSUNITS");
    groups.Int(70, bMetres ? kInsUnitsMetres : kInsUnitsUnitless);
    Variable(&groups, "$HANDSEED");
    groups.Handle(5, nHandleSeed);
    groups.Text(0, "ENDSEC");
    return groups.Str();
}

}  // namespace mapgis_dxf
