// Reads every feature and its geometry from any OGR dataset, the way an application does:
// the common yardstick for our driver and GDAL's own readers of the same features. With
// --random N it fetches N features of one layer by id instead, from the last one backwards,
// as a table view or an identify tool does: a point file's texts, the first layer otherwise.
#include <gdal.h>
#include <ogr_api.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long long ReadAll(GDALDatasetH ds, long long* pPoints) {
    long long features = 0;
    for (int i = 0; i < GDALDatasetGetLayerCount(ds); ++i) {
        OGRLayerH layer = GDALDatasetGetLayer(ds, i);
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            ++features;
            if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
                OGREnvelope env;
                OGR_G_GetEnvelope(g, &env);
                *pPoints += env.MaxX > env.MinX ? 1 : 0;
            }
            OGR_F_Destroy(f);
        }
    }
    return features;
}

// The layer a user of a point file opens: its texts, the bulk of its features. Elsewhere,
// and with other drivers, the first.
OGRLayerH LayerToFetchFrom(GDALDatasetH ds) {
    for (int i = 0; i < GDALDatasetGetLayerCount(ds); ++i) {
        OGRLayerH layer = GDALDatasetGetLayer(ds, i);
        const char* pszKind = GDALGetMetadataItem(layer, "MAP_KIND", "MAPGIS");
        if (pszKind != nullptr && std::strcmp(pszKind, "texts") == 0)
            return layer;
    }
    return GDALDatasetGetLayer(ds, 0);
}

// Ids spread evenly over the layer, fetched from the last backwards.
long long ReadRandom(GDALDatasetH ds, long long nFetches, long long* pPoints) {
    OGRLayerH layer = LayerToFetchFrom(ds);
    if (layer == nullptr)
        return 0;
    // Our driver knows its ids without a read; other drivers count.
    const char* pszItems = GDALGetMetadataItem(layer, "ITEM_COUNT", "MAPGIS");
    const long long nItems =
        pszItems != nullptr ? std::atoll(pszItems) : OGR_L_GetFeatureCount(layer, TRUE);
    long long features = 0;
    for (long long k = nFetches; k >= 1 && nItems > 0; --k) {
        if (OGRFeatureH f = OGR_L_GetFeature(layer, 1 + (nItems - 1) * k / nFetches)) {
            ++features;
            *pPoints += OGR_F_GetGeometryRef(f) != nullptr ? 1 : 0;
            OGR_F_Destroy(f);
        }
    }
    return features;
}

}  // namespace

int main(int argc, char** argv) {
    long long nRandom = 0;
    if (argc > 2 && std::strcmp(argv[1], "--random") == 0) {
        nRandom = std::atoll(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_ogr [--random N] DATASET [OPEN_OPTION...]\n");
        return 2;
    }
    GDALAllRegister();
    const auto start = std::chrono::steady_clock::now();
    GDALDatasetH ds =
        GDALOpenEx(argv[1], GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                   argc > 2 ? const_cast<const char* const*>(argv + 2) : nullptr, nullptr);
    if (ds == nullptr)
        return 1;
    long long points = 0;
    const long long features =
        nRandom > 0 ? ReadRandom(ds, nRandom, &points) : ReadAll(ds, &points);
    GDALClose(ds);
    std::printf("%.6f s, %lld features (%lld extended)\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                features, points);
    return 0;
}
