// Imports files through the plug-in alone, in compound and in typed mode, and prints every
// layer definition, every feature (fields, values, geometry with all coordinates, styles and
// their set masks) and the log records each import wrote. Two builds that print the same
// text for the same files import them identically: the check behind every optimisation.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoElement/KtFeature.h"
#include "KoFileParser/KtExchangeParams.h"
#include "KoFileParser/KtFileParseFactory.h"
#include "KoFileParser/KtFileParser.h"
#include "KoFileParser/KtVectorFileLayer.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "PluginLoad.h"

using namespace KTX;

namespace {

constexpr int kBatch = 100;

void Xy(const PlxPoint2D& p) {
    std::printf(" %.17g,%.17g", p.x, p.y);
}

void Text(const PlxUnicodeString& s) {
    std::printf("\"%s\"", s.ToUtf8().c_str());
}

void DumpStyle(const KtStyle* pStyle, int nDepth) {
    if (pStyle == nullptr)
        return;
    std::printf("%*sstyle mask=%u line=%08x/%d/%.17g fill=%08x/%d marker=%d/%.17g/%.17g/%.17g\n",
                nDepth, "", pStyle->GetSetMask(), static_cast<unsigned>(pStyle->GetLineColor()),
                pStyle->GetLineStyle(), pStyle->GetLineWidth(),
                static_cast<unsigned>(pStyle->GetFillForeColor()), pStyle->GetFillStyle(),
                pStyle->GetMarkerStyle(), pStyle->GetMarkerWidth(), pStyle->GetMarkerHeight(),
                pStyle->GetMarkerAngle());
}

void DumpTextStyle(const KtTextStyle* pStyle, int nDepth) {
    if (pStyle == nullptr)
        return;
    std::printf("%*stextstyle mask=%u fore=%08x w=%.17g h=%.17g italic=%d face=", nDepth, "",
                pStyle->GetSetMask(), static_cast<unsigned>(pStyle->GetForeColor()),
                pStyle->GetWidth(), pStyle->GetHeight(), pStyle->IsItalic() ? 1 : 0);
    Text(pStyle->GetFaceName());
    std::printf("\n");
}

// Points of the parts of a line or region, one part a row.
template <class T>
void DumpParts(const T& geo, int nDepth) {
    for (int i = 0; i < geo.GetSubCount(); ++i) {
        std::printf("%*spart %d:", nDepth, "", geo.GetSubPntCount(i));
        const PlxPoint2D* p = geo.GetPoints(i);
        for (int k = 0; k < geo.GetSubPntCount(i); ++k)
            Xy(p[k]);
        std::printf("\n");
    }
}

void DumpGeometry(const KtGeometry* pGeo, int nDepth) {
    if (pGeo == nullptr) {
        std::printf("%*sno geometry\n", nDepth, "");
        return;
    }
    std::printf("%*sgeometry %d valid=%d\n", nDepth, "", pGeo->GetType(), pGeo->IsValid() ? 1 : 0);
    DumpStyle(pGeo->GetStyle(), nDepth + 1);
    const int d = nDepth + 1;
    switch (pGeo->GetType()) {
        case KTGEO_POINT:
            std::printf("%*s", d, "");
            Xy(static_cast<const KtGeoPoint*>(pGeo)->GetPoint());
            std::printf("\n");
            break;
        case KTGEO_LINE:
            DumpParts(*static_cast<const KtGeoLine*>(pGeo), d);
            break;
        case KTGEO_REGION:
            DumpParts(*static_cast<const KtGeoRegion*>(pGeo), d);
            break;
        case KTGEO_TEXT: {
            const auto* pText = static_cast<const KtGeoText*>(pGeo);
            DumpTextStyle(pText->GetTextStyle(), d);
            for (int i = 0; i < pText->GetSubCount(); ++i) {
                std::printf("%*ssub", d, "");
                Xy(pText->GetSubAnchor(i));
                std::printf(" %.17g ", pText->GetSub(i)->GetAngle());
                Text(pText->GetSub(i)->GetText());
                std::printf("\n");
            }
            break;
        }
        case KTGEO_ARC: {
            const auto* pArc = static_cast<const KtGeoArc*>(pGeo);
            std::printf("%*s", d, "");
            Xy(pArc->GetCenter());
            std::printf(" r=%.17g %.17g..%.17g\n", pArc->GetRadius(), pArc->GetStartAngle(),
                        pArc->GetEndAngle());
            break;
        }
        case KTGEO_CIRCLE: {
            const auto* pCircle = static_cast<const KtGeoCircle*>(pGeo);
            std::printf("%*s", d, "");
            Xy(pCircle->GetCenter());
            std::printf(" r=%.17g\n", pCircle->GetRadius());
            break;
        }
        case KTGEO_COMPOUND: {
            const auto* pCompound = static_cast<const KtGeoCompound*>(pGeo);
            for (int i = 0; i < pCompound->GetCount(); ++i)
                DumpGeometry(pCompound->GetAt(i), d);
            break;
        }
        default:
            break;
    }
}

void DumpFeature(const KtFeature& f, int nIndex) {
    std::printf("feature %d\n", nIndex);
    const PlxFieldInfos& infos = f.GetFieldInfos();
    for (int i = 0; i < infos.GetSize(); ++i) {
        std::printf(" field ");
        Text(infos[i].m_strName);
        std::printf(" %d/%d = ", infos[i].m_nType, infos[i].m_nSize);
        const PlxVariant* pValue = f.GetValue(i);
        if (pValue == nullptr || pValue->IsNull())
            std::printf("null");
        else if (pValue->GetType() == PlxVariant::Int32)
            std::printf("%d", pValue->ToInt());
        else if (pValue->GetType() == PlxVariant::Double)
            std::printf("%.17g", pValue->ToDouble());
        else
            Text(pValue->ToString());
        std::printf("\n");
    }
    DumpGeometry(f.GetGeometry(), 1);
}

void DumpLog() {
    for (const KtLogRecord& r : KtLogFile::GetInstance(false)->TakeRecords()) {
        std::printf("log %d ", r.nLevel);
        Text(r.strMessage);
        std::printf(" ");
        Text(r.strSourceFile);
        std::printf(":%d\n", r.nSourceLine);
    }
}

void DumpImport(const KtFileParseFactory& factory, const char* pszFile, int nMode,
                const char* pszColors) {
    std::printf("== %s mode %d\n", pszFile, nMode);
    KtLogFile::GetInstance(true);
    auto* pParser = static_cast<KtFileParseVector*>(factory.CreateFileParser(55));
    KtMapGisImportParams params;
    params.SetFilePathName(PlxUnicodeString::FromUtf8(pszFile));
    params.SetImportMode(nMode);
    params.SetImportOrExportCharset(PLXCharsetGBK);
    params.SetDestDTName(u"dump");
    if (pszColors != nullptr)
        params.SetColorIndexFilePath(PlxUnicodeString::FromUtf8(pszColors));
    if (!pParser->Open(params)) {
        std::printf("open failed\n");
        DumpLog();
        factory.DestroyFileParser(pParser);
        return;
    }
    std::vector<std::unique_ptr<KtFeature>> owned(kBatch);
    PlxArray<KtFeature*> batch;
    for (auto& f : owned) {
        f = std::make_unique<KtFeature>();
        batch.Add(f.get());
    }
    for (int i = 0; i < pParser->GetLayerCount(); ++i) {
        KtVectorFileLayer* pLayer = pParser->GetLayer(i);
        const KtFeatureClassDefn& defn = pLayer->GetFeatureClassDefn();
        const PlxRect2D& rc = defn.GetBound();
        std::printf("layer %d type %d count %d bound %.17g %.17g %.17g %.17g name ", i,
                    defn.GetType(), defn.GetFeatureCount(), rc.left, rc.top, rc.right, rc.bottom);
        Text(pLayer->GetLayerName());
        std::printf("\n");
        int nIndex = 0;
        for (;;) {
            for (auto& f : owned)
                f->Clear();
            const std::int64_t nBefore = pLayer->GetCurFilePosition();
            const int nFilled = pLayer->ReadFeatures(batch, 0);
            const int nUsed = static_cast<int>(pLayer->GetCurFilePosition() - nBefore);
            if (nUsed == 0)
                break;
            std::printf("batch filled %d\n", nFilled);
            for (int k = 0; k < nUsed && k < kBatch; ++k)
                DumpFeature(*owned[static_cast<size_t>(k)], nIndex++);
        }
    }
    pParser->Close();
    factory.DestroyFileParser(pParser);
    DumpLog();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dump_plugin PLUGIN.fps [--colors FILE] FILE...\n");
        return 2;
    }
    PFN_CreateFileParseFactory create = LoadPlugin(argv[1]);
    if (create == nullptr)
        return 1;
    std::unique_ptr<KtFileParseFactory> factory(create());
    const char* pszColors = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--colors") == 0 && i + 1 < argc) {
            pszColors = argv[++i];
            continue;
        }
        DumpImport(*factory, argv[i], KTIMPORT_CAD, pszColors);
        DumpImport(*factory, argv[i], KTIMPORT_TYPED, pszColors);
    }
    return 0;
}
