// The writer of an import and the translation options it needs.
#include "output/OutputFormat.h"

#include "cpl_conv.h"
#include "ogr_srs_api.h"
#include "output/Connection.h"
#include "output/FgbSpatialIndex.h"
#include "output/GpkgSpatialIndex.h"
#include "output/SafeOutput.h"

namespace mapgis_import {

namespace {

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

CPLStringList Extensions(GDALDriverH hWriter) {
    const char* pszList = GDALGetMetadataItem(hWriter, GDAL_DMD_EXTENSIONS, nullptr);
    return CPLStringList(CSLTokenizeString2(pszList ? pszList : "", " ", 0));
}

// The extension of the output's files: the one the output names, else the writer's own (or
// the one its users know it by).
std::string Extension(GDALDriverH hWriter, const std::string& strOutput) {
    const CPLStringList aosExts = Extensions(hWriter);
    const char* pszOutput = CPLGetExtension(strOutput.c_str());
    if (*pszOutput != '\0' && aosExts.FindString(pszOutput) >= 0)
        return pszOutput;
    if (const char* psz = GDALGetMetadataItem(hWriter, GDAL_DMD_EXTENSION, nullptr))
        return psz;
    if (aosExts.FindString("geojson") >= 0)
        return "geojson";
    return aosExts.empty() ? std::string() : std::string(aosExts[0]);
}

// GeoPackage declares a layer without a system in the undefined geographic one, which QGIS
// takes for degrees; GDAL's writer maps this name to the undefined Cartesian one.
constexpr const char* kUndefinedCartesian = "LOCAL_CS[\"Undefined cartesian SRS\"]";

// The translation options of the coordinate system the format takes; false with a message
// when it needs one and none was named.
bool AddSystemOptions(const Arguments& args, OutputFormat& format, std::string* pstrError) {
    const FormatTraits& traits = format.Traits();
    if (traits.eSystem == SystemRule::LongitudeLatitude && args.strSrs.empty()) {
        *pstrError = "-f " + format.strName +
                     " stores longitude/latitude: name the coordinate system of the "
                     "input with --srs so that it can be reprojected";
        return false;
    }
    // GDAL's KML writer reads the colour of every pen it is given, and without a colour
    // index the style strings carry none: it would crash rather than fail.
    if (traits.bNeedsColors && args.strColors.empty()) {
        *pstrError = "-f " + format.strName +
                     " needs the colour index file (--colors): GDAL's KML writer cannot "
                     "take styles without colours";
        return false;
    }
    if (traits.eSystem == SystemRule::LongitudeLatitude)
        format.aosOptions.AddString("-t_srs").AddString("EPSG:4326");
    else if (traits.eSystem == SystemRule::UndefinedCartesian && args.strSrs.empty())
        format.aosOptions.AddString("-a_srs").AddString(kUndefinedCartesian);
    return true;
}

// A feature dataset named after the coordinate system its layers share, as ArcGIS groups
// them: letters, digits and underscores, beginning with a letter.
std::string FeatureDatasetOf(const std::string& strSrs) {
    std::string strName = "undefined_system";
    OGRSpatialReferenceH hSRS = OSRNewSpatialReference(nullptr);
    if (!strSrs.empty() && OSRSetFromUserInput(hSRS, strSrs.c_str()) == OGRERR_NONE &&
        OSRGetName(hSRS) != nullptr)
        strName = OSRGetName(hSRS);
    OSRDestroySpatialReference(hSRS);
    std::string strDataset;
    for (const char c : strName) {
        const bool bKept = isalnum(static_cast<unsigned char>(c)) != 0;
        if (bKept || (!strDataset.empty() && strDataset.back() != '_'))
            strDataset += bKept ? c : '_';
    }
    while (!strDataset.empty() && strDataset.back() == '_')
        strDataset.pop_back();
    return isalpha(static_cast<unsigned char>(strDataset.c_str()[0])) ? strDataset
                                                                      : "system_" + strDataset;
}

// The layer creation options the format always gets, and its text encoding: the shapefile
// writer recodes text to ISO-8859-1 unless told otherwise, and every Chinese character would
// become "?". UTF-8 is declared in a .cpg beside the .dbf, GBK as code page 936.
void AddLayerOptions(const Arguments& args, OutputFormat& format) {
    const FormatTraits& traits = format.Traits();
    for (const char* psz : traits.layerOptions) {
        if (psz != nullptr)
            format.aosOptions.AddString("-lco").AddString(psz);
    }
    if (traits.bDbfEncoding) {
        const bool bGbk = EQUAL(args.strDbfEncoding.c_str(), "GBK");
        format.aosOptions.AddString("-lco").AddString(bGbk ? "ENCODING=CP936" : "ENCODING=UTF-8");
    }
    if (traits.bFeatureDataset) {
        format.aosOptions.AddString("-lco").AddString(
            ("FEATURE_DATASET=" + FeatureDatasetOf(args.strSrs)).c_str());
    }
    // A partial table's rows in one transaction.
    if (traits.bDatabase)
        format.aosOptions.AddString("-gt").AddString("unlimited");
}

// Whether the arguments fit the format; false with a message.
bool ArgumentsFit(const Arguments& args, const OutputFormat& format, std::string* pstrError) {
    if (format.IsDatabase() != IsConnection(args.strOutput)) {
        *pstrError = "-f PostgreSQL and an output PG:... go together (-o PG:dbname=...)";
    } else if (!args.strSchema.empty() && !IsPlainSchema(args.strSchema)) {
        *pstrError = "--schema " + args.strSchema +
                     ": expected lower case letters, digits and \"_\", as PostgreSQL keeps "
                     "names unquoted";
    } else if (args.bCompound && format.Traits().bOneType) {
        *pstrError = "--compound: " + format.strName + " holds one geometry type per layer";
    } else if (args.bTyped && format.Traits().bCad) {
        *pstrError = "--typed: DXF takes the items with their styles, not the typed layers";
    } else {
        return true;
    }
    return false;
}

// The writer's name: -f's, else PostgreSQL's for a connection, else the one the output's
// extension names, else GeoPackage's; false with a message when the extension names none.
bool WriterName(const Arguments& args, std::string* pstrName, std::string* pstrError) {
    *pstrName = args.strFormat;
    if (pstrName->empty() && IsConnection(args.strOutput))
        *pstrName = "PostgreSQL";
    if (pstrName->empty() && !args.strOutput.empty())
        *pstrName = FormatFromExtension(args.strOutput);
    if (pstrName->empty() && !args.strOutput.empty()) {
        *pstrError = "cannot tell the format of " + args.strOutput + "; name it with -f";
        return false;
    }
    if (pstrName->empty())
        *pstrName = "GPKG";
    return true;
}

}  // namespace

void RegisterWriters(const std::string& strFormat, const std::string& strOutput) {
    std::string strName = strFormat;
    if (strName.empty() && IsConnection(strOutput))
        strName = "PostgreSQL";
    if (strName.empty() && strOutput.empty())
        strName = "GPKG";
    const std::string strExt = CPLGetExtension(strOutput.c_str());
    for (const FormatTraits& traits : KnownFormats()) {
        if (traits.pfnRegister == nullptr)
            continue;
        const bool bNamed = strName.empty() ? traits.pszExtension != nullptr &&
                                                  EQUAL(strExt.c_str(), traits.pszExtension)
                                            : EQUAL(strName.c_str(), traits.pszName);
        if (bNamed) {
            if (GDALGetDriverByName(traits.pszName) == nullptr)
                traits.pfnRegister();
            return;
        }
    }
    GDALAllRegister();
}

bool ChooseFormat(const Arguments& args, OutputFormat* pFormat, int* pnExit,
                  std::string* pstrError) {
    OutputFormat& format = *pFormat;
    *pnExit = kExitUsage;
    if (!WriterName(args, &format.strName, pstrError))
        return false;
    format.hDriver = VectorWriter(format.strName);
    if (format.hDriver == nullptr) {
        *pstrError = "-f " + format.strName + ": not a GDAL vector format that can be written";
        return false;
    }
    // The driver's own spelling, for the table and the messages.
    format.strName = GDALGetDriverShortName(format.hDriver);
    format.poTraits = &TraitsOf(format.strName);
    if (!ArgumentsFit(args, format, pstrError))
        return false;
    format.strExtension =
        format.IsDatabase() ? std::string() : Extension(format.hDriver, args.strOutput);
    // A DXF drawing is written by our own writer: arcs and circles as such, every map layer
    // a CAD layer of the one file.
    const bool bCad = format.Traits().bCad;
    format.bCurves =
        bCad || GDALGetMetadataItem(format.hDriver, GDAL_DCAP_CURVE_GEOMETRIES, nullptr) != nullptr;
    format.bOneLayer =
        !bCad &&
        GDALGetMetadataItem(format.hDriver, GDAL_DCAP_MULTIPLE_VECTOR_LAYERS, nullptr) == nullptr;
    if (!AddSystemOptions(args, format, pstrError))
        return false;
    AddLayerOptions(args, format);
    return true;
}

bool MergeFits(const Arguments& args, const OutputFormat& format, std::string* pstrError) {
    if (format.Traits().eMerge == MergeRule::Database) {
        *pstrError = "--merge writes a file; in PostgreSQL the sheets' tables share a schema";
    } else if (args.bResume) {
        *pstrError =
            "--merge writes one dataset, complete or not at all; --resume is for an "
            "output per sheet";
    } else if (format.Traits().eMerge == MergeRule::OutputPerSheet || format.bOneLayer) {
        *pstrError =
            "--merge takes a format of several layers in one file, such as GPKG or "
            "OpenFileGDB; -f " +
            format.strName + " gets an output per sheet";
    } else {
        return true;
    }
    return false;
}

bool PackIndexes(const OutputFormat& format, const std::string& strPath, std::string* pstrError) {
    switch (format.Traits().ePacking) {
        case IndexPacking::GeoPackage:
            return BuildSpatialIndexes(strPath, pstrError);
        case IndexPacking::FlatGeobuf:
            return BuildFlatGeobufIndexes(strPath, pstrError);
        case IndexPacking::None:
            break;
    }
    return true;
}

// What the output may replace, or Replacing::Nothing with a message when what is there must
// stay: without --overwrite anything, with it anything but an earlier output of this import
// (a folder of files holding only the layers' files, a dataset of the format). Checked before
// a layer is written; the move into place checks again.
Replacing MayReplace(const Arguments& args, const OutputFormat& format, bool bFolder,
                     const std::string& strOutput, const std::vector<std::string>& layers,
                     std::string* pstrError) {
    VSIStatBufL sStat;
    if (VSIStatL(strOutput.c_str(), &sStat) != 0)
        return args.bOverwrite ? Replacing::Files : Replacing::Nothing;
    if (!args.bOverwrite) {
        *pstrError = strOutput + " exists; use --overwrite to replace it";
    } else if (bFolder && !VSI_ISDIR(sStat.st_mode)) {
        *pstrError = "cannot replace " + strOutput + " by a folder of " + format.strName +
                     " files: it is a file";
    } else if (bFolder) {
        const std::vector<std::string> foreign = ForeignEntries(strOutput, layers, true);
        if (foreign.empty())
            return Replacing::Files;
        *pstrError = InTheWay(strOutput, foreign);
    } else if (!VSI_ISDIR(sStat.st_mode)) {
        return Replacing::Files;
    } else {
        const char* const apszOnly[] = {format.strName.c_str(), nullptr};
        CPLPushErrorHandler(CPLQuietErrorHandler);
        GDALDatasetH hOld =
            GDALOpenEx(strOutput.c_str(), GDAL_OF_VECTOR, apszOnly, nullptr, nullptr);
        CPLPopErrorHandler();
        if (hOld != nullptr) {
            GDALClose(hOld);
            return Replacing::Dataset;
        }
        *pstrError = "cannot replace " + strOutput + ": it is a folder, not a " + format.strName +
                     " dataset";
    }
    return Replacing::Nothing;
}

std::string DefaultOutput(const std::string& strInput, const OutputFormat& format, bool bFolder) {
    if (bFolder)
        return CPLFormFilename(CPLGetPath(strInput.c_str()), CPLGetBasename(strInput.c_str()),
                               nullptr);
    const std::string& strExt = format.strExtension;
    return CPLResetExtension(strInput.c_str(), strExt.empty() ? "gpkg" : strExt.c_str());
}

}  // namespace mapgis_import
