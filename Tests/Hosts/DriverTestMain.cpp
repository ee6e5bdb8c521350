// Test program of the driver: registers it in-process, pointing it at the built plug-in.
#include <gtest/gtest.h>

#include "gdal_priv.h"
#include "ogr_mapgis.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CPLSetConfigOption("MAPGIS_PLUGIN_FILE", MAPGIS_PLUGIN_FILE);
    RegisterOGRMAPGIS();
    const int nResult = RUN_ALL_TESTS();
    GDALDestroyDriverManager();
    CPLSetConfigOption("MAPGIS_PLUGIN_FILE", nullptr);
    CPLCleanupTLS();
    return nResult;
}
