// One run of mapgis-import: check the inputs, open them through the MAPGIS driver, translate
// every layer into the output, print the summary.
#include "ImportRunner.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ImportSummary.h"
#include "SafeOutput.h"
#include "cpl_conv.h"
#include "cpl_string.h"
#include "gdal.h"
#include "gdal_utils.h"
#include "ogr_mapgis.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

namespace {

constexpr const char* kProgram = "mapgis-import";

struct DatasetCloser {
    void operator()(void* h) const { GDALClose(h); }
};
using DatasetPtr = std::unique_ptr<void, DatasetCloser>;

int Fail(int nCode, const std::string& strMessage) {
    std::fprintf(stderr, "%s: %s\n", kProgram, strMessage.c_str());
    return nCode;
}

bool IsMapgisExtension(const std::string& strPath) {
    const std::string strExt = CPLGetExtension(strPath.c_str());
    for (const char* psz : {"wat", "wal", "wap", "wan"}) {
        if (EQUAL(strExt.c_str(), psz))
            return true;
    }
    return false;
}

// Item positions in the reader's index are 32-bit.
constexpr long long kMaxInputSize = (1LL << 31) - 1;

bool IsReadableFile(const std::string& strPath, std::string* pstrWhy) {
    VSIStatBufL sStat;
    if (VSIStatL(strPath.c_str(), &sStat) != 0) {
        *pstrWhy = "no such file";
        return false;
    }
    if (VSI_ISDIR(sStat.st_mode)) {
        *pstrWhy = "is a folder";
        return false;
    }
    if (static_cast<long long>(sStat.st_size) > kMaxInputSize) {
        *pstrWhy = std::to_string(static_cast<long long>(sStat.st_size)) +
                   " bytes: files of 2 GiB or more cannot be imported (item positions are "
                   "32-bit)";
        return false;
    }
    if (access(strPath.c_str(), R_OK) != 0) {
        *pstrWhy = "permission denied";
        return false;
    }
    return true;
}

GDALDriverH VectorWriter(const std::string& strFormat) {
    GDALDriverH hDriver = GDALGetDriverByName(strFormat.c_str());
    if (hDriver == nullptr)
        return nullptr;
    if (GDALGetMetadataItem(hDriver, GDAL_DCAP_VECTOR, nullptr) == nullptr ||
        GDALGetMetadataItem(hDriver, GDAL_DCAP_CREATE, nullptr) == nullptr) {
        return nullptr;
    }
    return hDriver;
}

// The writer whose extension list names the output's extension.
std::string FormatFromExtension(const std::string& strOutput) {
    const std::string strExt = CPLGetExtension(strOutput.c_str());
    if (strExt.empty())
        return std::string();
    for (int i = 0; i < GDALGetDriverCount(); ++i) {
        GDALDriverH hDriver = GDALGetDriver(i);
        const char* pszExts = GDALGetMetadataItem(hDriver, GDAL_DMD_EXTENSIONS, nullptr);
        if (pszExts == nullptr || VectorWriter(GDALGetDriverShortName(hDriver)) == nullptr) {
            continue;
        }
        const CPLStringList aosExts(CSLTokenizeString2(pszExts, " ", 0));
        for (int k = 0; k < aosExts.size(); ++k) {
            if (EQUAL(aosExts[k], strExt.c_str()))
                return GDALGetDriverShortName(hDriver);
        }
    }
    return std::string();
}

// The first input with the writer's extension.
std::string DefaultOutput(const std::string& strInput, GDALDriverH hWriter) {
    std::string strExt;
    if (const char* psz = GDALGetMetadataItem(hWriter, GDAL_DMD_EXTENSION, nullptr))
        strExt = psz;
    if (strExt.empty()) {
        const char* pszList = GDALGetMetadataItem(hWriter, GDAL_DMD_EXTENSIONS, nullptr);
        const CPLStringList aosExts(CSLTokenizeString2(pszList ? pszList : "", " ", 0));
        if (!aosExts.empty())
            strExt = aosExts[0];
    }
    return CPLResetExtension(strInput.c_str(), strExt.empty() ? "gpkg" : strExt.c_str());
}

// What a layer holds, as its output name says it: a compound layer after its file's kind, a
// typed one after its own.
const char* KindSuffix(const std::string& strInput, OGRLayerH hLayer) {
    const std::string strExt = CPLGetExtension(strInput.c_str());
    const bool bNetwork = EQUAL(strExt.c_str(), "wan");
    const char* pszType = GDALGetMetadataItem(hLayer, "LAYER_TYPE", "MAPGIS");
    switch (mapgis::LayerKindFromType(pszType != nullptr ? atoi(pszType) : 0)) {
        case mapgis::LayerKind::Point:
            return "points";
        case mapgis::LayerKind::Line:
            return bNetwork ? "network" : "lines";
        case mapgis::LayerKind::Region:
            return "areas";
        case mapgis::LayerKind::Text:
            return "texts";
        case mapgis::LayerKind::Compound:
            break;
    }
    if (bNetwork)
        return "network";
    if (EQUAL(strExt.c_str(), "wal"))
        return "lines";
    return EQUAL(strExt.c_str(), "wap") ? "areas" : "points";
}

bool IsTaken(const std::vector<std::string>& taken, const std::string& strName) {
    for (const std::string& t : taken) {
        if (EQUAL(t.c_str(), strName.c_str()))
            return true;
    }
    return false;
}

// "<title>_<kind>"; when another input took that, its folder's name goes in front. False when
// that is taken too.
bool OutputLayerName(const Arguments& args, const std::string& strInput, OGRLayerH hLayer,
                     std::vector<std::string>& taken, std::string* pstrName) {
    const std::string strTitle =
        args.strName.empty() ? std::string(CPLGetBasename(strInput.c_str())) : args.strName;
    const std::string strName = strTitle + "_" + KindSuffix(strInput, hLayer);
    *pstrName = strName;
    if (IsTaken(taken, *pstrName)) {
        char* pszReal = realpath(strInput.c_str(), nullptr);
        const std::string strFolder =
            pszReal != nullptr ? CPLGetFilename(CPLGetDirname(pszReal)) : "";
        std::free(pszReal);
        *pstrName = strFolder + "_" + strName;
        if (strFolder.empty() || IsTaken(taken, *pstrName))
            return false;
    }
    taken.push_back(*pstrName);
    return true;
}

DatasetPtr OpenInput(const std::string& strPath, const Arguments& args) {
    CPLStringList aosOpen;
    aosOpen.SetNameValue("MODE", args.bTyped ? "TYPED" : "COMPOUND");
    aosOpen.SetNameValue("ENCODING", args.strEncoding.c_str());
    aosOpen.SetNameValue("ACCOUNT", "YES");
    if (!args.strColors.empty())
        aosOpen.SetNameValue("COLOR_INDEX", args.strColors.c_str());
    if (!args.strName.empty())
        aosOpen.SetNameValue("NAME", args.strName.c_str());
    if (!args.strSrs.empty())
        aosOpen.SetNameValue("SRS", args.strSrs.c_str());
    if (!args.strScale.empty())
        aosOpen.SetNameValue("SCALE", args.strScale.c_str());
    if (!args.strOffset.empty())
        aosOpen.SetNameValue("OFFSET", args.strOffset.c_str());
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    return DatasetPtr(GDALOpenEx(strPath.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, apszDrivers,
                                 aosOpen.List(), nullptr));
}

long long ItemCount(OGRLayerH hLayer) {
    const char* psz = GDALGetMetadataItem(hLayer, "ITEM_COUNT", "MAPGIS");
    return psz == nullptr ? 0 : CPLAtoGIntBig(psz);
}

// Errors and warnings to standard error in the program's voice.
void CPL_STDCALL ReportError(CPLErr eClass, CPLErrorNum, const char* pszMessage) {
    if (eClass == CE_Debug) {
        CPLDefaultErrorHandler(eClass, CPLE_None, pszMessage);
        return;
    }
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, eClass == CE_Warning ? "warning" : "error",
                 pszMessage);
}

// Exit status for a run stopped by a signal, as shells report it.
int Interrupted() {
    std::fprintf(stderr, "%s: interrupted; no output written\n", kProgram);
    return 128 + InterruptSignal();
}

// Called for every feature written: passes progress on to the terminal when asked to, and
// stops the translation when a signal came.
int CPL_STDCALL Progress(double dComplete, const char* pszMessage, void* pData) {
    if (InterruptSignal() != 0)
        return FALSE;
    if (pData != nullptr)
        return GDALScaledProgress(dComplete, pszMessage, pData);
    return TRUE;
}

// Formats whose coordinates are longitude/latitude on WGS 84 by definition.
bool NeedsLonLat(const std::string& strFormat) {
    for (const char* psz : {"KML", "LIBKML", "GeoJSON", "GeoJSONSeq"}) {
        if (EQUAL(strFormat.c_str(), psz))
            return true;
    }
    return false;
}

// GeoPackage declares a layer without a system in the undefined geographic one, which QGIS
// takes for degrees; GDAL's writer maps this name to the undefined Cartesian one.
constexpr const char* kUndefinedCartesian = "LOCAL_CS[\"Undefined cartesian SRS\"]";

// The translation options the output format needs: its coordinate system, its text
// encoding; false with pstrError when the format needs a system and none was named.
bool FormatOptions(const std::string& strFormat, const Arguments& args, CPLStringList* paosArgs,
                   std::string* pstrError) {
    if (NeedsLonLat(strFormat)) {
        if (args.strSrs.empty()) {
            *pstrError = "-f " + strFormat +
                         " stores longitude/latitude: name the coordinate system of the "
                         "input with --srs so that it can be reprojected";
            return false;
        }
        paosArgs->AddString("-t_srs").AddString("EPSG:4326");
        // GDAL's KML writer reads the colour of every pen it is given, and without a colour
        // index the style strings carry none: it would crash rather than fail.
        if (STARTS_WITH_CI(strFormat.c_str(), "KML") && args.strColors.empty()) {
            *pstrError = "-f " + strFormat +
                         " needs the colour index file (--colors): GDAL's KML writer cannot "
                         "take styles without colours";
            return false;
        }
    } else if (args.strSrs.empty() && EQUAL(strFormat.c_str(), "GPKG")) {
        paosArgs->AddString("-a_srs").AddString(kUndefinedCartesian);
    }
    // The shapefile writer recodes text to ISO-8859-1 unless told otherwise: every Chinese
    // character would become "?". UTF-8, declared in a .cpg beside the .dbf.
    if (EQUAL(strFormat.c_str(), "ESRI Shapefile"))
        paosArgs->AddString("-lco").AddString("ENCODING=UTF-8");
    return true;
}

// "EPSG:4527 (CGCS2000 / 3-degree Gauss-Kruger zone 39)", or empty without a system.
std::string DescribeSystem(OGRLayerH hLayer) {
    OGRSpatialReferenceH hSRS = OGR_L_GetSpatialRef(hLayer);
    if (hSRS == nullptr)
        return std::string();
    const char* pszName = OSRGetName(hSRS);
    const char* pszAuthority = OSRGetAuthorityName(hSRS, nullptr);
    const char* pszCode = OSRGetAuthorityCode(hSRS, nullptr);
    std::string strText = pszName != nullptr ? pszName : "unnamed system";
    if (pszAuthority != nullptr && pszCode != nullptr)
        strText = std::string(pszAuthority) + ":" + pszCode + " (" + strText + ")";
    return strText;
}

struct Job {
    size_t iSource;
    OGRLayerH hLayer;
    std::string strInput;
    std::string strOutputLayer;
    long long nItems;
};

}  // namespace

int RunImport(const Arguments& args) {
    CPLPushErrorHandler(ReportError);
    struct PopHandler {
        ~PopHandler() { CPLPopErrorHandler(); }
    } popHandler;
    // Registered first, so that a copy of the driver that GDAL loads from GDAL_DRIVER_PATH
    // finds the name taken and stays out.
    RegisterOGRMAPGIS();
    GDALAllRegister();

    for (const std::string& strInput : args.inputs) {
        std::string strWhy;
        if (!IsReadableFile(strInput, &strWhy)) {
            return Fail(kExitInput, "cannot read " + strInput + ": " + strWhy);
        }
        if (!IsMapgisExtension(strInput)) {
            return Fail(kExitInput, strInput + ": unknown extension \"" +
                                        CPLGetExtension(strInput.c_str()) +
                                        "\" (expected .wat, .wal, .wap or .wan)");
        }
    }
    std::string strWhy;
    if (!args.strColors.empty() && !IsReadableFile(args.strColors, &strWhy)) {
        return Fail(kExitInput, "cannot read colour index file " + args.strColors + ": " + strWhy);
    }

    std::string strFormat = args.strFormat;
    std::string strOutput = args.strOutput;
    if (strFormat.empty() && !strOutput.empty())
        strFormat = FormatFromExtension(strOutput);
    if (strFormat.empty()) {
        if (!strOutput.empty()) {
            return Fail(kExitUsage, "cannot tell the format of " + strOutput + "; name it with -f");
        }
        strFormat = "GPKG";
    }
    GDALDriverH hWriter = VectorWriter(strFormat);
    if (hWriter == nullptr) {
        return Fail(kExitUsage,
                    "-f " + strFormat + ": not a GDAL vector format that can be written");
    }
    CPLStringList aosFormat;
    std::string strFormatError;
    if (!FormatOptions(strFormat, args, &aosFormat, &strFormatError))
        return Fail(kExitUsage, strFormatError);
    if (strOutput.empty())
        strOutput = DefaultOutput(args.inputs[0], hWriter);
    VSIStatBufL sStat;
    if (VSIStatL(strOutput.c_str(), &sStat) == 0 && !args.bOverwrite) {
        return Fail(kExitOutput, strOutput + " exists; use --overwrite to replace it");
    }

    CatchInterrupts();
    std::vector<DatasetPtr> sources;
    std::vector<Job> jobs;
    std::vector<std::string> taken;
    long long nAllItems = 0;
    for (const std::string& strInput : args.inputs) {
        DatasetPtr src = OpenInput(strInput, args);
        if (InterruptSignal() != 0)
            return Interrupted();
        if (!src) {
            // A bad SRS, SCALE or OFFSET is the command line's fault, not the input's.
            const bool bUsage = CPLGetLastErrorNo() == CPLE_IllegalArg;
            return Fail(bUsage ? kExitUsage : kExitInput, "cannot import " + strInput);
        }
        for (int i = 0; i < GDALDatasetGetLayerCount(src.get()); ++i) {
            OGRLayerH hLayer = GDALDatasetGetLayer(src.get(), i);
            std::string strName;
            if (!OutputLayerName(args, strInput, hLayer, taken, &strName)) {
                return Fail(kExitUsage, strInput + ": its layer " + strName +
                                            " would take the name of another input's; give "
                                            "the inputs different names or folders");
            }
            jobs.push_back({sources.size(), hLayer, strInput, strName, ItemCount(hLayer)});
            nAllItems += jobs.back().nItems;
        }
        sources.push_back(std::move(src));
    }
    if (jobs.empty()) {
        return Fail(kExitInput, "no layer to write: the inputs hold no item to import");
    }

    SafeOutput output;
    std::string strError;
    if (!output.Begin(strOutput, &strError))
        return Fail(kExitOutput, strError);
    const bool bProgress = !args.bQuiet && isatty(fileno(stdout));
    DatasetPtr dst;
    long long nDone = 0;
    for (size_t k = 0; k < jobs.size(); ++k) {
        const Job& job = jobs[k];
        GDALDatasetH hSource = sources[job.iSource].get();
        CPLStringList aosArgs;
        if (!dst)
            aosArgs.AddString("-f").AddString(strFormat.c_str());
        aosArgs.AddString("-nln").AddString(job.strOutputLayer.c_str());
        for (int i = 0; i < aosFormat.size(); ++i)
            aosArgs.AddString(aosFormat[i]);
        aosArgs.AddString(OGR_L_GetName(job.hLayer));
        GDALVectorTranslateOptions* psOptions =
            GDALVectorTranslateOptionsNew(aosArgs.List(), nullptr);
        void* pScaled = nullptr;
        if (bProgress) {
            const double dTotal = nAllItems > 0 ? static_cast<double>(nAllItems) : 1.0;
            pScaled = GDALCreateScaledProgress(nDone / dTotal, (nDone + job.nItems) / dTotal,
                                               GDALTermProgress, nullptr);
        }
        GDALVectorTranslateOptionsSetProgress(psOptions, Progress, pScaled);
        int bUsageError = FALSE;
        GDALDatasetH hResult = GDALVectorTranslate(dst ? nullptr : output.WorkPath().c_str(),
                                                   dst.get(), 1, &hSource, psOptions, &bUsageError);
        GDALVectorTranslateOptionsFree(psOptions);
        GDALDestroyScaledProgress(pScaled);
        if (InterruptSignal() != 0) {
            if (hResult != nullptr && !dst)
                GDALClose(hResult);
            return Interrupted();
        }
        if (hResult == nullptr) {
            return Fail(kExitOutput, "cannot write layer " + job.strOutputLayer + " to " +
                                         strOutput + "; nothing written");
        }
        if (!dst)
            dst.reset(hResult);
        nDone += job.nItems;
    }
    CPLErrorReset();
    dst.reset();
    if (CPLGetLastErrorType() == CE_Failure) {
        return Fail(kExitOutput, "writing " + strOutput + " failed; nothing written");
    }
    if (InterruptSignal() != 0)
        return Interrupted();
    if (!output.Commit(&strError))
        return Fail(kExitOutput, strError);
    if (!args.bQuiet) {
        // After every layer was read, so that no figure needs a read of its own.
        std::vector<LayerResult> results;
        for (const Job& job : jobs)
            results.push_back(CollectLayerResult(job.hLayer, job.strInput, job.strOutputLayer));
        std::vector<InputAccount> accounts;
        for (size_t i = 0; i < sources.size(); ++i)
            accounts.push_back(CollectAccount(sources[i].get(), args.inputs[i]));
        SystemSummary system;
        system.strSystem = DescribeSystem(jobs[0].hLayer);
        system.strScale = args.strScale;
        system.strOffset = args.strOffset;
        PrintSummary(stdout, strOutput, results, accounts, system);
    }
    return kExitOk;
}

}  // namespace mapgis_import
