// Writes MAPGIS files through the driver's map layers with the DXF writer:
//   DxfWrite [--metres] [--units-per-mm N] [--color-index FILE] OUT.dxf INPUT...
// and prints how many characters were written as escapes. The driver comes from
// GDAL_DRIVER_PATH.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DxfWriter.h"
#include "gdal_priv.h"

namespace {

struct Arguments {
    mapgis_dxf::DxfWriteOptions options;
    std::string strColorIndex;
    std::vector<std::string> paths;  // the output, then the inputs
};

bool Parse(int argc, char** argv, Arguments* pArgs) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--metres") {
            pArgs->options.bMetres = true;
        } else if (strArg == "--units-per-mm" && i + 1 < argc) {
            pArgs->options.dfUnitsPerMm = std::atof(argv[++i]);
        } else if (strArg == "--color-index" && i + 1 < argc) {
            pArgs->strColorIndex = argv[++i];
        } else {
            pArgs->paths.push_back(strArg);
        }
    }
    return pArgs->paths.size() >= 2;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!Parse(argc, argv, &args)) {
        std::fprintf(stderr,
                     "usage: %s [--metres] [--units-per-mm N] [--color-index FILE] OUT.dxf "
                     "INPUT...\n",
                     argv[0]);
        return 2;
    }
    GDALAllRegister();
    std::vector<std::unique_ptr<GDALDataset>> datasets;
    std::vector<OGRLayer*> layers;
    for (size_t i = 1; i < args.paths.size(); ++i) {
        CPLStringList aosOptions;
        aosOptions.SetNameValue("MODE", "MAP");
        if (!args.strColorIndex.empty())
            aosOptions.SetNameValue("COLOR_INDEX", args.strColorIndex.c_str());
        const char* const apszDrivers[] = {"MAPGIS", nullptr};
        datasets.emplace_back(GDALDataset::Open(args.paths[i].c_str(), GDAL_OF_VECTOR, apszDrivers,
                                                aosOptions.List()));
        if (!datasets.back()) {
            std::fprintf(stderr, "%s: cannot be opened\n", args.paths[i].c_str());
            return 1;
        }
        for (OGRLayer* pLayer : datasets.back()->GetLayers())
            layers.push_back(pLayer);
    }
    const mapgis_dxf::DxfWriteResult result =
        mapgis_dxf::WriteDxf(layers, args.paths[0], args.options);
    if (!result.bOk)
        return 1;
    std::printf("escaped: %d\n", result.nEscaped);
    return 0;
}
