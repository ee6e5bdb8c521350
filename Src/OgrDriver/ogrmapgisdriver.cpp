// Registration of the MAPGIS driver.
#include "ogr_mapgis.h"

namespace {

constexpr const char* kOpenOptions =
    "<OpenOptionList>"
    "  <Option name='MODE' type='string-select' default='MAP' description='MAP: a layer per "
    "kind the file holds (areas, lines, points, texts; network, nodes), one geometry type "
    "each, with style fields and style strings, a feature per placed piece of text; COMPOUND: "
    "one layer holding every item with its MAPGIS style; TYPED: point, line, region and text "
    "layers without styles'>"
    "    <Value>MAP</Value>"
    "    <Value>COMPOUND</Value>"
    "    <Value>TYPED</Value>"
    "  </Option>"
    "  <Option name='ENCODING' type='string-select' default='AUTO' description='Charset of "
    "the file; AUTO: UTF-8 when the start of the file holds valid UTF-8 beyond ASCII, else "
    "GB18030'>"
    "    <Value>AUTO</Value>"
    "    <Value>GBK</Value>"
    "    <Value>GB18030</Value>"
    "    <Value>UTF-8</Value>"
    "  </Option>"
    "  <Option name='COLOR_INDEX' type='string' description='MAPGIS colour index file that "
    "turns colour numbers into colours, or MAPGIS colour library (Pcolor.lib), which only "
    "MODE=MAP reads'/>"
    "  <Option name='FONT_MAP' type='string' description='MODE=MAP: UTF-8 file of face=family "
    "lines that name the font family for a MAPGIS font face, over the shipped table'/>"
    "  <Option name='NAME' type='string' description='Dataset name the layers are named "
    "after (map layers add _areas, _lines, ..., typed layers P, L, R or T); default: the file name "
    "without extension'/>"
    "  <Option name='READ_AHEAD' type='boolean' default='NO' description='Read the items of "
    "a layer that is read in order on a second thread while the features before them are "
    "converted'/>"
    "  <Option name='REPAIR' type='boolean' default='YES' description='Read a point "
    "file text whose text holds commas, which the reader refuses, with the text delimiters "
    "honoured'/>"
    "  <Option name='ACCOUNT' type='boolean' default='NO' description='Account for every "
    "item of the file in the MAPGIS metadata domain (read on request), and name the line of "
    "each item in warnings; walks the file once more at open'/>"
    "  <Option name='SRS' type='string' description='Coordinate system of every layer: "
    "anything GDAL takes (EPSG:4527, WKT, PROJ string), or CGCS2000, XIAN80, BEIJING54 for "
    "the Gauss-Kruger system of that datum whose zone the eastings carry in front'/>"
    "  <Option name='SCALE' type='float' default='1' description='Factor from the file "
    "coordinates to ground units (1000 for millimetres of a 1:1 000 000 map)'/>"
    "  <Option name='OFFSET' type='string' default='0,0' description='DX,DY added to the "
    "scaled coordinates'/>"
    "</OpenOptionList>";

}  // namespace

void RegisterOGRMAPGIS() {
    if (!GDAL_CHECK_VERSION("MAPGIS"))
        return;
    if (GDALGetDriverByName("MAPGIS") != nullptr)
        return;
    auto* poDriver = new GDALDriver();
    poDriver->SetDescription("MAPGIS");
    poDriver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    // QGIS shows the extensions after the long name itself.
    poDriver->SetMetadataItem(GDAL_DMD_LONGNAME, "MAPGIS exchange files");
    poDriver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "wat wal wap wan");
    poDriver->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST, kOpenOptions);
    poDriver->SetMetadataItem(GDAL_DCAP_CURVE_GEOMETRIES, "YES");
    // Features carry OGR style strings, which QGIS then offers to draw.
    poDriver->SetMetadataItem(GDAL_DCAP_FEATURE_STYLES, "YES");
    poDriver->SetMetadataItem(GDAL_DMD_HELPTOPIC, "README.md#the-driver");
    poDriver->SetMetadataItem("MAPGIS_VERSION", MAPGIS_VERSION);
    poDriver->SetMetadataItem(GDAL_DMD_SUPPORTED_SQL_DIALECTS, "OGRSQL SQLITE");
    poDriver->pfnIdentify = OGRMapgisDataSource::Identify;
    poDriver->pfnOpen = OGRMapgisDataSource::Open;
    GetGDALDriverManager()->RegisterDriver(poDriver);
}
