// The usage and help texts and the version.
#include "cli/HelpText.h"

#include "cli/Options.h"
#include "gdal.h"

namespace mapgis_import {

namespace {

constexpr const char* kUsage =
    "Usage: mapgis-import INPUT... [-o OUTPUT] [-f FORMAT] [--typed] [--compound]\n"
    "                     [--encoding E] [--colors FILE] [--slib DIR] [--font-map FILE]\n"
    "                     [--name NAME] [--srs SRS]\n"
    "                     [--scale F] [--offset DX,DY] [--dbf-encoding E] [--overwrite]\n"
    "                     [--no-repair] [--no-style] [--progress HOW] [-q] [--help]\n"
    "       mapgis-import FOLDER... [-r] [-o OUTDIR | -o PG:...] [-j N] [--report FILE]\n"
    "                     [--resume] [--schema S] [--root DIR] [--shard K/N]\n"
    "                     [options as above]\n"
    "       mapgis-import FOLDER... [-r] [--root DIR] --list-sheets [--shard K/N]\n"
    "       mapgis-import FOLDER... [-r] --merge[=sheets] [-o OUTPUT] [...]\n"
    "       mapgis-import --style-only INPUT... [--overwrite]\n"
    "       mapgis-import --version\n";

}  // namespace

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
        "Options:\n" +
        OptionsHelp() +
        "\n"
        "A progress bar is shown when standard output is a terminal (see --progress).\n"
        "At the end a summary lists per layer the features written and the bounds, and\n"
        "per input every item of the file: written, refused (with line and reason), not\n"
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
