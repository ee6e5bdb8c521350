// Reads every feature and its geometry from any OGR dataset, the way an application does:
// the common yardstick for our driver and GDAL's own readers of the same features.
#include <gdal.h>
#include <ogr_api.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_ogr DATASET [OPEN_OPTION...]\n");
        return 2;
    }
    GDALAllRegister();
    const auto start = std::chrono::steady_clock::now();
    GDALDatasetH ds =
        GDALOpenEx(argv[1], GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                   argc > 2 ? const_cast<const char* const*>(argv + 2) : nullptr, nullptr);
    if (ds == nullptr)
        return 1;
    long long features = 0, points = 0;
    for (int i = 0; i < GDALDatasetGetLayerCount(ds); ++i) {
        OGRLayerH layer = GDALDatasetGetLayer(ds, i);
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            ++features;
            if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
                OGREnvelope env;
                OGR_G_GetEnvelope(g, &env);
                points += env.MaxX > env.MinX ? 1 : 0;
            }
            OGR_F_Destroy(f);
        }
    }
    GDALClose(ds);
    std::printf("%.6f s, %lld features (%lld extended)\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                features, points);
    return 0;
}
