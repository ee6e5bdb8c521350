// Parsing of the command line and the help text.
#include "ImportArguments.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "gdal.h"

namespace mapgis_import {

namespace {

// Options that take a value; ogr2ogr's spellings are accepted beside the long ones.
bool TakesValue(const std::string& opt) {
    static const char* const kWithValue[] = {
        "-o",       "-f",       "--format", "--encoding", "--colors",       "--name", "--output",
        "--srs",    "-a_srs",   "--scale",  "--offset",   "--dbf-encoding", "-j",     "--jobs",
        "--report", "--schema", "--root",   "--slib",     "--font-map"};
    for (const char* psz : kWithValue) {
        if (opt == psz)
            return true;
    }
    return false;
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> names) {
    for (const char* psz : names) {
        if (strcasecmp(psz, value.c_str()) == 0)
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
        if (!IsOneOf(value, {"AUTO", "GBK", "GB18030", "UTF-8"})) {
            *pstrError = "--encoding " + value + ": expected AUTO, GBK, GB18030 or UTF-8";
            return false;
        }
        pArgs->strEncoding = value;
    } else if (opt == "--colors") {
        pArgs->strColors = value;
    } else if (opt == "--slib") {
        pArgs->strLibraryDir = value;
    } else if (opt == "--font-map") {
        pArgs->strFontMap = value;
    } else if (opt == "--srs" || opt == "-a_srs") {
        pArgs->strSrs = value;
    } else if (opt == "--scale") {
        pArgs->strScale = value;
    } else if (opt == "--offset") {
        pArgs->strOffset = value;
    } else if (opt == "-j" || opt == "--jobs") {
        char* pszEnd = nullptr;
        const long nJobs = std::strtol(value.c_str(), &pszEnd, 10);
        if (value.empty() || *pszEnd != '\0' || nJobs < 1 || nJobs > 1024) {
            *pstrError = opt + " " + value + ": expected a number of workers from 1 to 1024";
            return false;
        }
        pArgs->nJobs = static_cast<int>(nJobs);
    } else if (opt == "--report") {
        // Refused before any work: opening a FIFO without a reader would hang at the end.
        struct stat sStat;
        if (stat(value.c_str(), &sStat) == 0 && !S_ISREG(sStat.st_mode)) {
            *pstrError = "--report " + value + ": not a regular file";
            return false;
        }
        pArgs->strReport = value;
    } else if (opt == "--schema") {
        pArgs->strSchema = value;
    } else if (opt == "--root") {
        pArgs->strRoot = value;
    } else if (opt == "--dbf-encoding") {
        if (!IsOneOf(value, {"UTF-8", "GBK"})) {
            *pstrError = "--dbf-encoding " + value + ": expected UTF-8 or GBK";
            return false;
        }
        pArgs->strDbfEncoding = value;
    } else {
        if (value.empty()) {
            *pstrError = "--name needs a non-empty name";
            return false;
        }
        pArgs->strName = value;
    }
    return true;
}

// The connection string an archive passes its worker: read once, then wiped from the
// process's environment (its bytes too, which /proc shows) before anything else can copy it.
bool TakeOutputFromEnvironment(Arguments* pArgs, std::string* pstrError) {
    char* pszValue = std::getenv(kConnectionVariable);
    if (pszValue == nullptr) {
        *pstrError =
            std::string("--output-from-environment: ") + kConnectionVariable + " is not set";
        return false;
    }
    pArgs->strOutput = pszValue;
    std::memset(pszValue, 0, std::strlen(pszValue));
    unsetenv(kConnectionVariable);
    return true;
}

constexpr const char* kUsage =
    "Usage: mapgis-import INPUT... [-o OUTPUT] [-f FORMAT] [--typed] [--compound]\n"
    "                     [--encoding E] [--colors FILE] [--slib DIR] [--font-map FILE]\n"
    "                     [--name NAME] [--srs SRS]\n"
    "                     [--scale F] [--offset DX,DY] [--dbf-encoding E] [--overwrite]\n"
    "                     [--no-repair] [--no-style] [-q] [--help]\n"
    "       mapgis-import FOLDER... [-r] [-o OUTDIR | -o PG:...] [-j N] [--report FILE]\n"
    "                     [--resume] [--schema S] [--root DIR] [options as above]\n"
    "       mapgis-import FOLDER... [-r] --merge[=sheets] [-o OUTPUT] [-j N] [...]\n"
    "       mapgis-import --style-only INPUT... [--overwrite]\n"
    "       mapgis-import --version\n";

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
        } else if (arg == "--compound" || arg == "--no-split") {
            pArgs->bCompound = true;
        } else if (arg == "--no-repair") {
            pArgs->bNoRepair = true;
        } else if (arg == "-r" || arg == "--recursive") {
            pArgs->bRecursive = true;
        } else if (arg == "--resume") {
            pArgs->bResume = true;
        } else if (arg == "--no-style") {
            pArgs->bNoStyle = true;
        } else if (arg == "--style-only") {
            pArgs->bStyleOnly = true;
        } else if (arg == "--overwrite" || arg == "-overwrite") {
            pArgs->bOverwrite = true;
        } else if (arg == "--merge" || arg == "--merge=common" || arg == "--merge=sheets") {
            pArgs->strMerge = arg == "--merge=sheets" ? "sheets" : "common";
        } else if (arg == "--output-from-environment") {
            if (!TakeOutputFromEnvironment(pArgs, pstrError))
                return false;
        } else if (arg.size() > 2 && arg.compare(0, 2, "-j") == 0) {
            // -j4, as make takes it
            if (!SetValue("-j", arg.substr(2), pArgs, pstrError))
                return false;
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
    return kUsage;
}

const char* HelpText() {
    static const std::string strHelp =
        std::string(kUsage) +
        "\n"
        "Imports MAPGIS exchange files (.wat points and texts, .wal lines, .wap areas,\n"
        ".wan networks) into any vector format GDAL writes. Several inputs go into one\n"
        "output. Each file's items are split by geometry kind into layers NAME_points,\n"
        "NAME_lines, NAME_areas, NAME_texts (a network's NAME_network and NAME_nodes);\n"
        "the files of one sheet (one NAME, one folder) share them. When a format keeps\n"
        "one layer per file (Shapefile, GeoJSON, FlatGeobuf, CSV, MapInfo), OUTPUT is a\n"
        "folder of one file per layer. DXF gets every item as entities on the CAD layer\n"
        "of its kind.\n"
        "\n"
        "Every layer gets a QGIS style drawn from its style fields: colours, widths and\n"
        "line and fill styles, symbols, and each text as a label at its anchor with its\n"
        "height, angle, font and colour. A GeoPackage keeps them in its layer_styles\n"
        "table (QGIS's default style of each layer, with SLD for other clients); other\n"
        "files get a .qml and an .sld beside them. KML and DXF keep their own styles.\n"
        "\n"
        "An archive: given folders, mapgis-import finds the exchange files in them (-r:\n"
        "and in their subfolders), groups them into sheets by folder and title (1.wat,\n"
        "1.wal and 1.wap of a folder are sheet 1) and writes one output per sheet into\n"
        "the output folder OUTDIR, keeping the folder structure (OUTDIR/a/b/1.gpkg), or\n"
        "into a PostgreSQL database (-o PG:..., tables <folders>_<title>_<kind>), or with\n"
        "--merge into one dataset (default: FOLDER.gpkg). A colour\n"
        "index file beside a sheet, else a colour library Pcolor.lib beside it, else\n"
        "the one in --slib DIR, is used when --colors is not given. Sheets are\n"
        "converted by worker processes in parallel; a sheet that fails is reported and\n"
        "the others go on.\n"
        "\n"
        "Options:\n"
        "  -o, --output OUTPUT  output dataset (default: the first input with the\n"
        "                       extension of the format, .gpkg for GeoPackage)\n"
        "  -f, --format FORMAT  GDAL vector driver, e.g. GPKG, GeoJSON, \"ESRI Shapefile\"\n"
        "                       (default: from the output's extension, else GPKG)\n"
        "  --typed              the reader's point, line, area and text layers: plain\n"
        "                       geometries, the identifier (and a text's text and\n"
        "                       angle); default: a layer per kind, every item with its\n"
        "                       MAPGIS style\n"
        "  --compound           one layer per input with every item, for formats that\n"
        "                       take mixed geometries (GeoPackage, FlatGeobuf, CSV,\n"
        "                       GeoJSON, KML); QGIS shows one geometry type per layer.\n"
        "                       --no-split is the same\n"
        "  --encoding E         charset of the input: AUTO (default: UTF-8 when the\n"
        "                       start of the file holds valid UTF-8 beyond ASCII, else\n"
        "                       GB18030), GBK, GB18030 or UTF-8\n"
        "  --colors FILE        MAPGIS colour index file that turns colour numbers into\n"
        "                       colours, or MAPGIS's colour library Pcolor.lib (the map\n"
        "                       layers only); without either items are drawn grey\n"
        "  --slib DIR           MAPGIS's system library folder: its Pcolor.lib gives\n"
        "                       the colours when --colors is not given\n"
        "  --font-map FILE      UTF-8 lines face=family (# comments) naming the font\n"
        "                       family of a MAPGIS face, over the shipped table\n"
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
        "  --no-repair          refuse annotation whose text holds commas, as the reader\n"
        "                       does; by default it is read with its delimiters honoured\n"
        "                       and counted as repaired\n"
        "  --dbf-encoding E     charset of shapefile attributes: UTF-8 (default, with a\n"
        "                       .cpg) or GBK for ArcGIS versions that need it\n"
        "  --no-style           write no styles\n"
        "  --style-only         write nothing but NAME.qml beside each input: the style\n"
        "                       QGIS loads for the files of a sheet opened directly\n"
        "                       through the MAPGIS driver (either MODE)\n"
        "  --overwrite          replace an existing output (-overwrite also works); in\n"
        "                       PostgreSQL the tables of the sheets imported\n"
        "  -r, --recursive      an archive: the subfolders of the folders too\n"
        "  -j, --jobs N         an archive: N worker processes (default: one per core)\n"
        "  --report FILE        a line per input with its account and exit status: CSV\n"
        "                       when FILE ends in .csv, else JSON lines\n"
        "  --resume             an archive: skip the sheets whose output exists (an\n"
        "                       output appears only once complete)\n"
        "  --schema S           PostgreSQL: the schema of the tables (default: public)\n"
        "  --root DIR           an archive: name the sheets by their path from DIR, a\n"
        "                       folder above the folders given (default: from each\n"
        "                       folder given, with its name when there are several)\n"
        "  --merge              an archive into the one dataset OUTPUT: common layers\n"
        "                       NAME_points, NAME_lines... with a field sheet naming\n"
        "                       each feature's sheet (a/b/1); --merge=sheets: layers of\n"
        "                       each sheet of their own, a_b_1_points...\n"
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
        "  5  an archive: some sheets failed (see the report); the others were written\n"
        "  6  everything was written but the --report could not be (a full disk...)\n"
        "  129, 130, 143  interrupted by SIGHUP, SIGINT, SIGTERM\n";
    return strHelp.c_str();
}

std::string VersionText() {
    return std::string("mapgis-import ") + MAPGIS_VERSION + " (GDAL " +
           GDALVersionInfo("RELEASE_NAME") + ")\n";
}

}  // namespace mapgis_import
