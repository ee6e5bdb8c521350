// Test program of the driver: registers it in-process, pointing it at the built plug-in.
#include <gtest/gtest.h>

#include "gdal_priv.h"
#include "ogr_mapgis.h"

#if defined(__SANITIZE_THREAD__)
// GDAL itself is not built with ThreadSanitizer. CPLCreateOrAcquireMutex takes GDAL's global
// creation lock and then the mutex it hands out, and later calls take them the other way
// round; GDAL guards against the inversion itself, but the sanitizer reports the order.
extern "C" const char* __tsan_default_suppressions() {
    return "deadlock:CPLCreateOrAcquireMutexEx\n";
}
#endif

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
