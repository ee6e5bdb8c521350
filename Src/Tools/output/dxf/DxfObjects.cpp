// The OBJECTS section: the root dictionary, groups and the two layouts every drawing has.
#include "DxfObjects.h"

#include <utility>
#include <vector>

#include "DxfGroups.h"

namespace mapgis_dxf {

namespace {

using Entries = std::vector<std::pair<const char*, unsigned>>;

void Dictionary(unsigned nHandle, unsigned nOwner, const Entries& entries, DxfGroups* pGroups) {
    pGroups->Text(0, "DICTIONARY");
    pGroups->Handle(5, nHandle);
    pGroups->Handle(330, nOwner);
    pGroups->Text(100, "AcDbDictionary");
    pGroups->Int(281, 1);
    for (const auto& [pszName, nEntry] : entries) {
        pGroups->Text(3, pszName);
        pGroups->Handle(350, nEntry);
    }
}

// Plot settings of nothing in particular: no device, a 1:1 plot of the layout.
void PlotSettings(DxfGroups* pGroups) {
    pGroups->Text(100, "AcDbPlotSettings");
    pGroups->Text(1, "");
    pGroups->Text(2, "none_device");
    pGroups->Text(4, "");
    pGroups->Text(6, "");
    for (int nCode : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141})
        pGroups->Real(nCode, 0);
    pGroups->Real(142, 1);
    pGroups->Real(143, 1);
    pGroups->Int(70, 688);
    pGroups->Int(72, 1);  // millimetres
    pGroups->Int(73, 0);
    pGroups->Int(74, 5);  // plot the layout
    pGroups->Text(7, "");
    pGroups->Int(75, 16);  // 1:1
    pGroups->Real(147, 1);
    pGroups->Point(148, 0, 0);
}

void Layout(const char* pszName, int nTab, unsigned nHandle, unsigned nDictionary, unsigned nRecord,
            const OGREnvelope& extent, DxfGroups* pGroups) {
    pGroups->Text(0, "LAYOUT");
    pGroups->Handle(5, nHandle);
    pGroups->Text(102, "{ACAD_REACTORS");
    pGroups->Handle(330, nDictionary);
    pGroups->Text(102, "}");
    pGroups->Handle(330, nDictionary);
    PlotSettings(pGroups);
    pGroups->Text(100, "AcDbLayout");
    pGroups->Text(1, pszName);
    pGroups->Int(70, 1);
    pGroups->Int(71, nTab);
    pGroups->Point(10, 0, 0);
    pGroups->Point(11, 420, 297);
    pGroups->Point3(12, 0, 0, 0);
    const bool bEmpty = !extent.IsInit();
    pGroups->Point3(14, bEmpty ? 0 : extent.MinX, bEmpty ? 0 : extent.MinY, 0);
    pGroups->Point3(15, bEmpty ? 0 : extent.MaxX, bEmpty ? 0 : extent.MaxY, 0);
    pGroups->Real(146, 0);
    pGroups->Point3(13, 0, 0, 0);
    pGroups->Point3(16, 1, 0, 0);
    pGroups->Point3(17, 0, 1, 0);
    pGroups->Int(76, 0);
    pGroups->Handle(330, nRecord);
}

}  // namespace

DxfLayoutHandles ReserveLayoutHandles(DxfHandles* pHandles) {
    DxfLayoutHandles layouts;
    layouts.nModelSpace = pHandles->New();
    layouts.nPaperSpace = pHandles->New();
    layouts.nModelLayout = pHandles->New();
    layouts.nPaperLayout = pHandles->New();
    return layouts;
}

std::string DxfObjectsSection(const DxfLayoutHandles& layouts, const OGREnvelope& extent,
                              DxfHandles* pHandles) {
    const unsigned nRoot = pHandles->New();
    const unsigned nGroups = pHandles->New();
    const unsigned nLayouts = pHandles->New();
    DxfGroups groups;
    groups.Text(0, "SECTION");
    groups.Text(2, "OBJECTS");
    Dictionary(nRoot, 0, {{"ACAD_GROUP", nGroups}, {"ACAD_LAYOUT", nLayouts}}, &groups);
    Dictionary(nGroups, nRoot, {}, &groups);
    Dictionary(nLayouts, nRoot,
               {{"Layout1", layouts.nPaperLayout}, {"Model", layouts.nModelLayout}}, &groups);
    Layout("Model", 0, layouts.nModelLayout, nLayouts, layouts.nModelSpace, extent, &groups);
    Layout("Layout1", 1, layouts.nPaperLayout, nLayouts, layouts.nPaperSpace, OGREnvelope(),
           &groups);
    groups.Text(0, "ENDSEC");
    return groups.Str();
}

}  // namespace mapgis_dxf
