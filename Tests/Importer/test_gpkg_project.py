"""The QGIS project a GeoPackage keeps, as QGIS's "Save project to GeoPackage" does: read by
real QGIS, it opens the sheet's layers top first as the map draws them, each styled as the
layer's own default style, in the sheet's coordinate system."""
import os
import shutil

from hosts_common import TempDirCase, needs_qgis, open_layers, qgis, sample
from test_qgis_map import hand_sheet

SRS = "EPSG:4527"
# The layer tree lists the top layer first: the map's order reversed.
TOP_FIRST = ["1_texts", "1_nodes", "1_points", "1_network", "1_lines", "1_areas"]


@needs_qgis
class GeoPackageProject(TempDirCase):
    @classmethod
    def setUpClass(cls):
        qgis()

    def test_project_opens_the_sheet_in_map_order_styled(self):
        from qgis.core import QgsProject, QgsVectorLayer
        inputs = [shutil.copy(path, self.path("1" + os.path.splitext(path)[1]))
                  for path in hand_sheet(self) + [sample("sample.wap"), sample("sample.wan")]]
        out = self.path("sheet.gpkg")
        self.importer(*inputs, "-q", "--srs", SRS, "--colors", sample("colors.txt"), "-o", out)
        _, written = open_layers(out)
        counts = {layer.GetName(): layer.GetFeatureCount() for layer in written}
        project = QgsProject.instance()
        self.addCleanup(project.clear)
        self.assertTrue(project.read(f"geopackage:{out}?projectName=1"))
        self.assertEqual(project.crs().authid(), SRS)
        nodes = project.layerTreeRoot().findLayers()
        self.assertEqual([node.name() for node in nodes], TOP_FIRST)
        for node in nodes:
            with self.subTest(layer=node.name()):
                layer = node.layer()
                self.assertTrue(layer is not None and layer.isValid())
                self.assertEqual(layer.crs().authid(), SRS)
                self.assertEqual(layer.featureCount(), counts[node.name()])
                # The style QGIS finds by itself in layer_styles, for the same layer.
                own = QgsVectorLayer(f"{out}|layername={node.name()}", "own", "ogr")
                self.assertEqual(layer.renderer().dump(), own.renderer().dump())
                self.assertEqual(layer.labelsEnabled(), own.labelsEnabled())
                self.assertEqual(layer.labelsEnabled(), node.name() == "1_texts")
                del own
