# The Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr
# (scripts/package), so that the driver lands where Debian's GDAL looks for plug-ins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mapgis-import)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "MAPGIS import developers <mapgis-import@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "MAPGIS exchange files (.wat, .wal, .wap, .wan) for GDAL/OGR, QGIS and mapgis-import")
set(CPACK_PACKAGE_DESCRIPTION
    "The GDAL/OGR vector driver MAPGIS, which reads MAPGIS plain-text exchange files with\n"
    "their styles in every GDAL application (ogr2ogr, ogrinfo, QGIS, Python), and the\n"
    "command-line importer mapgis-import with a full account of every item.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The optimised build keeps its symbols for the profilers; the package does not need them.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# GDAL's runtime library of the version built against, not its development files.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgdal32 (>= ${MAPGIS_GDAL_ABI}), libsqlite3-0, libc6, libstdc++6, libgcc-s1")
# The QGIS plugin it installs runs in QGIS; the driver and mapgis-import do not need it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qgis, python3-qgis")
include(CPack)
