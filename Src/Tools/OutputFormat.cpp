// The writer of an import and the translation options it needs.
#include "OutputFormat.h"

#include "SafeOutput.h"

#include "FgbSpatialIndex.h"
#include "GpkgSpatialIndex.h"
#include "PostgisOutput.h"
#include "cpl_conv.h"
#include "ogrsf_frmts.h"

namespace mapgis_import {

namespace {

// The writers users name most, with the extensions that name them. Registered alone they
// spare every import GDAL's other drivers: about 7 MiB of resident code and tables, which a
// large sheet's import needs for its own index.
struct KnownWriter {
    const char* pszName;
    const char* pszExtension;  // nullptr: none
    void (*pfnRegister)();
};
constexpr KnownWriter kKnownWriters[] = {
    {"GPKG", "gpkg", RegisterOGRGeoPackage},        {"ESRI Shapefile", "shp", RegisterOGRShape},
    {"FlatGeobuf", "fgb", RegisterOGRFlatGeobuf},   {"DXF", "dxf", RegisterOGRDXF},
    {"OpenFileGDB", "gdb", RegisterOGROpenFileGDB}, {"PostgreSQL", nullptr, RegisterOGRPG},
};

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

bool IsOneOf(const std::string& strFormat, std::initializer_list<const char*> names) {
    for (const char* psz : names) {
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
bool AddOptions(const Arguments& args, OutputFormat& format, std::string* pstrError) {
    const std::string& strFormat = format.strName;
    CPLStringList& aosArgs = format.aosOptions;
    // Longitude/latitude on WGS 84 by definition.
    if (IsOneOf(strFormat, {"KML", "LIBKML", "GeoJSON", "GeoJSONSeq"})) {
        if (args.strSrs.empty()) {
            *pstrError = "-f " + strFormat +
                         " stores longitude/latitude: name the coordinate system of the "
                         "input with --srs so that it can be reprojected";
            return false;
        }
        aosArgs.AddString("-t_srs").AddString("EPSG:4326");
        // GDAL's KML writer reads the colour of every pen it is given, and without a colour
        // index the style strings carry none: it would crash rather than fail.
        if (STARTS_WITH_CI(strFormat.c_str(), "KML") && args.strColors.empty()) {
            *pstrError = "-f " + strFormat +
                         " needs the colour index file (--colors): GDAL's KML writer cannot "
                         "take styles without colours";
            return false;
        }
    } else if (args.strSrs.empty() && EQUAL(strFormat.c_str(), "GPKG")) {
        aosArgs.AddString("-a_srs").AddString(kUndefinedCartesian);
    }
    // Partial tables, written through COPY with the field names of the other formats (QGIS
    // styles name them); the index comes once every row is in.
    if (IsPostgis(format)) {
        for (const char* psz :
             {"SPATIAL_INDEX=NONE", "LAUNDER=NO", "GEOMETRY_NAME=geom", "FID=fid"})
            aosArgs.AddString("-lco").AddString(psz);
        aosArgs.AddString("-gt").AddString("unlimited");
    }
    // GDAL's GeoPackage writer grows the index a feature at a time, its FlatGeobuf writer
    // holds every feature's box until it closes: packed afterwards, each costs little.
    if (EQUAL(strFormat.c_str(), "GPKG"))
        format.ePacking = IndexPacking::GeoPackage;
    else if (EQUAL(strFormat.c_str(), "FlatGeobuf"))
        format.ePacking = IndexPacking::FlatGeobuf;
    if (format.ePacking != IndexPacking::None)
        aosArgs.AddString("-lco").AddString("SPATIAL_INDEX=NO");
    // Without this the CSV writer leaves the geometries out.
    if (EQUAL(strFormat.c_str(), "CSV"))
        aosArgs.AddString("-lco").AddString("GEOMETRY=AS_WKT");
    // The shapefile writer recodes text to ISO-8859-1 unless told otherwise: every Chinese
    // character would become "?". UTF-8 is declared in a .cpg beside the .dbf, GBK as code
    // page 936.
    if (EQUAL(strFormat.c_str(), "ESRI Shapefile")) {
        const bool bGbk = EQUAL(args.strDbfEncoding.c_str(), "GBK");
        aosArgs.AddString("-lco").AddString(bGbk ? "ENCODING=CP936" : "ENCODING=UTF-8");
    }
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
    for (const KnownWriter& writer : kKnownWriters) {
        const bool bNamed = strName.empty() ? writer.pszExtension != nullptr &&
                                                  EQUAL(strExt.c_str(), writer.pszExtension)
                                            : EQUAL(strName.c_str(), writer.pszName);
        if (bNamed) {
            if (GDALGetDriverByName(writer.pszName) == nullptr)
                writer.pfnRegister();
            return;
        }
    }
    GDALAllRegister();
}

bool ChooseFormat(const Arguments& args, OutputFormat* pFormat, int* pnExit,
                  std::string* pstrError) {
    OutputFormat& format = *pFormat;
    format.strName = args.strFormat;
    if (format.strName.empty() && IsConnection(args.strOutput))
        format.strName = "PostgreSQL";
    if (format.strName.empty() && !args.strOutput.empty())
        format.strName = FormatFromExtension(args.strOutput);
    *pnExit = kExitUsage;
    if (format.strName.empty()) {
        if (!args.strOutput.empty()) {
            *pstrError = "cannot tell the format of " + args.strOutput + "; name it with -f";
            return false;
        }
        format.strName = "GPKG";
    }
    format.hDriver = VectorWriter(format.strName);
    if (format.hDriver == nullptr) {
        *pstrError = "-f " + format.strName + ": not a GDAL vector format that can be written";
        return false;
    }
    // The driver's own spelling, for the comparisons that follow.
    format.strName = GDALGetDriverShortName(format.hDriver);
    auto has = [&](const char* pszCap) {
        return GDALGetMetadataItem(format.hDriver, pszCap, nullptr) != nullptr;
    };
    if (IsPostgis(format) != IsConnection(args.strOutput)) {
        *pstrError = "-f PostgreSQL and an output PG:... go together (-o PG:dbname=...)";
        return false;
    }
    if (!args.strSchema.empty() && !IsPlainSchema(args.strSchema)) {
        *pstrError = "--schema " + args.strSchema +
                     ": expected lower case letters, digits and \"_\", as PostgreSQL keeps "
                     "names unquoted";
        return false;
    }
    format.strExtension =
        IsPostgis(format) ? std::string() : Extension(format.hDriver, args.strOutput);
    format.bCurves = has(GDAL_DCAP_CURVE_GEOMETRIES);
    format.bOneLayer = !has(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS);
    format.bCad = EQUAL(format.strName.c_str(), "DXF");
    format.bSeveralFiles = IsOneOf(format.strName, {"ESRI Shapefile", "MapInfo File"});
    format.bOneType = IsOneOf(format.strName, {"ESRI Shapefile", "MapInfo File", "OpenFileGDB"});
    format.bShortNames = EQUAL(format.strName.c_str(), "ESRI Shapefile");
    if (args.bCompound && format.bOneType) {
        *pstrError = "--compound: " + format.strName + " holds one geometry type per layer";
        return false;
    }
    if (args.bTyped && format.bCad) {
        *pstrError = "--typed: DXF takes the items with their styles, not the typed layers";
        return false;
    }
    return AddOptions(args, format, pstrError);
}

bool PackIndexes(const OutputFormat& format, const std::string& strPath, std::string* pstrError) {
    switch (format.ePacking) {
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
