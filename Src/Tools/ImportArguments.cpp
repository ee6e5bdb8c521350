// Parsing of the command line and the help text.
#include "ImportArguments.h"

#include <cstring>

#include "gdal.h"

namespace mapgis_import {

namespace {

// Options that take a value; ogr2ogr's spellings are accepted beside the long ones.
bool TakesValue(const std::string& opt) {
    static const char* const kWithValue[] = {"-o",       "-f",      "--format", "--encoding",
                                             "--colors", "--name",  "--output", "--srs",
                                             "-a_srs",   "--scale", "--offset"};
    for (const char* psz : kWithValue) {
        if (opt == psz)
            return true;
    }
    return false;
}

bool SetValue(const std::string& opt, const std::string& value, Arguments* pArgs,
              std::string* pstrError) {
    if (opt == "-o" || opt == "--output") {
        pArgs->strOutput = value;
    } else if (opt == "-f" || opt == "--format") {
        pArgs->strFormat = value;
    } else if (opt == "--encoding") {
        static const char* const kEncodings[] = {"AUTO", "GBK", "GB18030", "UTF-8"};
        bool bKnown = false;
        for (const char* psz : kEncodings)
            bKnown = bKnown || strcasecmp(psz, value.c_str()) == 0;
        if (!bKnown) {
            *pstrError = "--encoding " + value + ": expected AUTO, GBK, GB18030 or UTF-8";
            return false;
        }
        pArgs->strEncoding = value;
    } else if (opt == "--colors") {
        pArgs->strColors = value;
    } else if (opt == "--srs" || opt == "-a_srs") {
        pArgs->strSrs = value;
    } else if (opt == "--scale") {
        pArgs->strScale = value;
    } else if (opt == "--offset") {
        pArgs->strOffset = value;
    } else {
        if (value.empty()) {
            *pstrError = "--name needs a non-empty name";
            return false;
        }
        pArgs->strName = value;
    }
    return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Arguments* pArgs,
                    std::string* pstrError) {
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            pArgs->inputs.push_back(arg);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            pArgs->bHelp = true;
        } else if (arg == "--version") {
            pArgs->bVersion = true;
        } else if (arg == "-q" || arg == "-quiet" || arg == "--quiet") {
            pArgs->bQuiet = true;
        } else if (arg == "--typed") {
            pArgs->bTyped = true;
        } else if (arg == "--overwrite" || arg == "-overwrite") {
            pArgs->bOverwrite = true;
        } else if (TakesValue(arg)) {
            if (i + 1 >= args.size()) {
                *pstrError = arg + " needs a value";
                return false;
            }
            if (!SetValue(arg, args[++i], pArgs, pstrError))
                return false;
        } else {
            *pstrError = "unknown option " + arg;
            return false;
        }
    }
    if (!pArgs->bHelp && !pArgs->bVersion && pArgs->inputs.empty()) {
        *pstrError = "no input file";
        return false;
    }
    return true;
}

const char* UsageText() {
    return "Usage: mapgis-import INPUT... [-o OUTPUT] [-f FORMAT] [--typed] [--encoding E]\n"
           "                     [--colors FILE] [--name NAME] [--srs SRS] [--scale F]\n"
           "                     [--offset DX,DY] [--overwrite] [-q] [--help]\n"
           "       mapgis-import --version\n";
}

const char* HelpText() {
    return "Usage: mapgis-import INPUT... [-o OUTPUT] [-f FORMAT] [--typed] [--encoding E]\n"
           "                     [--colors FILE] [--name NAME] [--srs SRS] [--scale F]\n"
           "                     [--offset DX,DY] [--overwrite] [-q] [--help]\n"
           "       mapgis-import --version\n"
           "\n"
           "Imports MAPGIS exchange files (.wat points and texts, .wal lines, .wap areas,\n"
           ".wan networks) into any vector format GDAL writes. Several inputs go into one\n"
           "output. Layers are named NAME_points, NAME_lines, NAME_areas, NAME_network\n"
           "(the file's kind) or, typed, NAME_points, _lines, _areas, _texts; when two\n"
           "inputs would give the same name, the input's folder name goes in front.\n"
           "\n"
           "Options:\n"
           "  -o, --output OUTPUT  output dataset (default: the first input with the\n"
           "                       extension of the format, .gpkg for GeoPackage)\n"
           "  -f, --format FORMAT  GDAL vector driver, e.g. GPKG, GeoJSON, \"ESRI Shapefile\"\n"
           "                       (default: from the output's extension, else GPKG)\n"
           "  --typed              point, line, area and text layers holding plain\n"
           "                       geometries; default: one layer per input with every\n"
           "                       item and its MAPGIS style\n"
           "  --encoding E         charset of the input: AUTO (default: UTF-8 when the\n"
           "                       start of the file holds valid UTF-8 beyond ASCII, else\n"
           "                       GB18030), GBK, GB18030 or UTF-8\n"
           "  --colors FILE        MAPGIS colour index file that turns colour numbers into\n"
           "                       colours (without it items keep default colours)\n"
           "  --name NAME          dataset name the layers are named after (default: the\n"
           "                       input's file name without extension)\n"
           "  --srs SRS            coordinate system of every layer (-a_srs also works):\n"
           "                       EPSG:4527, WKT or a PROJ string; or CGCS2000, XIAN80,\n"
           "                       BEIJING54 for the Gauss-Kruger system of that datum\n"
           "                       whose zone number the eastings carry in front (39 for\n"
           "                       39 511 100), looked up in PROJ's database. Without it\n"
           "                       no system is claimed (GeoPackage: undefined Cartesian)\n"
           "                       and the summary says which --srs the coordinates fit.\n"
           "                       KML and GeoJSON get longitude/latitude: they need it.\n"
           "  --scale F            multiply the coordinates by F (paper millimetres to\n"
           "                       ground metres: the map's scale / 1000)\n"
           "  --offset DX,DY       then add DX and DY; both before the system is assigned\n"
           "  --overwrite          replace an existing output (-overwrite also works)\n"
           "  -q, --quiet          no progress bar and no summary\n"
           "  -h, --help           this text\n"
           "  --version            the version of mapgis-import and of GDAL\n"
           "\n"
           "A progress bar is shown when standard output is a terminal. At the end a\n"
           "summary lists per layer the features written and the bounds, and per input\n"
           "every item of the file: written, refused (with line and reason), not\n"
           "importable by design (images), or skipped by the reader (with line and why).\n"
           "\n"
           "The output is written beside the target under a temporary name and moved into\n"
           "place only when complete; on failure or interruption nothing is left behind\n"
           "and an existing output stays as it was.\n"
           "\n"
           "Exit status:\n"
           "  0  success (refused items are reported in the summary, not an error)\n"
           "  2  usage error: unknown option, missing value, bad encoding, unknown format,\n"
           "     a coordinate system that cannot be assigned or one a format needs missing\n"
           "  3  input error: an input or the colour index file is missing or unreadable,\n"
           "     an input's extension is not .wat, .wal, .wap or .wan, or an input is\n"
           "     2 GiB or larger\n"
           "  4  output error: the output exists (without --overwrite) or cannot be written\n"
           "  130, 143  interrupted by SIGINT, SIGTERM\n";
}

std::string VersionText() {
    return std::string("mapgis-import ") + MAPGIS_VERSION + " (GDAL " +
           GDALVersionInfo("RELEASE_NAME") + ")\n";
}

}  // namespace mapgis_import
