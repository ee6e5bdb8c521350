"""Every output draws the same map: one sheet converted into each format opens in real QGIS
with the style QGIS finds by itself (no styling here) and renders as the GeoPackage does,
in the sheet's coordinate system and in the output's own: the same labels, each within a
fraction of its height of the same place, and the same colours where lines and fills are.
PostGIS is compared in postgis_import.py, which has a server."""
import os
import shutil
import unittest

from hosts_common import ARTEFACTS, QgisCase, sample
from test_qgis_map import PIXELS, assert_pixels, hand_sheet

SRS = "EPSG:4527"  # CGCS2000 / 3-degree Gauss-Kruger zone 39, as the sheet's eastings say
# Format, what -o names, whether the output is a folder of one file per layer, the system
# its coordinates are in (None: the sheet's).
FORMATS = [
    ("ESRI Shapefile", "shp.shp", True, None),
    ("FlatGeobuf", "fgb.fgb", True, None),
    ("MapInfo File", "tab.tab", True, None),
    ("OpenFileGDB", "gdb.gdb", False, None),
    ("GeoJSON", "geojson.geojson", True, "EPSG:4326"),
    ("CSV", "csv.csv", True, None),
]
WIDTH = 800
# A label matches when its upper left corner is this many of its heights from the
# GeoPackage's; a pixel differs when a channel is this far off.
PLACE, CHANNEL = 0.25, 48
# What may differ on the whole image: glyph edges, antialiasing of markers.
DIFFERING = 0.01


def layer_sources(path, folder):
    """Each layer as a user opens it: the files of a folder, or the layers of a dataset."""
    from osgeo import ogr
    if folder:
        path = os.path.splitext(path)[0]  # -o x.shp gives the folder x/
        return sorted(os.path.join(path, n) for n in os.listdir(path)
                      if os.path.splitext(n)[1] in (".shp", ".fgb", ".tab", ".geojson", ".csv"))
    ds = ogr.Open(path)
    names = [ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())]
    return [f"{path}|layername={n}" for n in names if n != "layer_styles"]


class SameMapCase(QgisCase):
    """Renderings of one sheet compared with its GeoPackage's."""

    def convert(self, out, *extra):
        self.importer(*self.inputs, "-q", "--srs", SRS, "--colors", sample("colors.txt"),
                      "-o", self.path(out), *extra)
        return self.path(out)

    def open(self, sources):
        from qgis.core import QgsVectorLayer
        return self.keep([QgsVectorLayer(s, os.path.basename(s).split("|")[-1].split(".")[0]
                                         .replace("layername=", ""), "ogr") for s in sources])

    def keep(self, layers):
        """The layers, valid, bottom first; they go before QGIS does."""
        for layer in layers:
            self.assertTrue(layer.isValid(), layer.source())
        self.layers += layers
        return self.render_map.in_map_order(layers)

    def reference(self):
        """The GeoPackage's rendering of a sheet named as sheets usually are, by a number
        (1.wat, 1.wal, 1.wap, 1.wan), in self.inputs; and the extent it covers."""
        from qgis.core import QgsRectangle
        self.inputs = [shutil.copy(path, self.path("1" + os.path.splitext(path)[1]))
                       for path in hand_sheet(self) + [sample("sample.wap"),
                                                       sample("sample.wan")]]
        layers = self.open(layer_sources(self.convert("sheet.gpkg"), False))
        extent = QgsRectangle()
        for layer in layers:
            extent.combineExtentWith(layer.extent())
        extent.scale(1.1)
        sheet = self.draw(layers, SRS, extent, "gpkg")
        assert_pixels(self, sheet[0], sheet[1], PIXELS)
        return sheet, extent

    def draw(self, layers, crs, extent, name):
        """The image and labels of the layers over the extent (in crs)."""
        from qgis.core import (QgsCoordinateReferenceSystem, QgsExpressionContext,
                               QgsExpressionContextUtils, QgsMapRendererSequentialJob,
                               QgsMapSettings)
        from qgis.PyQt.QtCore import QSize
        from qgis.PyQt.QtGui import QColor
        settings = QgsMapSettings()
        settings.setLayers(list(reversed(layers)))
        settings.setDestinationCrs(QgsCoordinateReferenceSystem(crs))
        settings.setExtent(extent)
        settings.setOutputSize(QSize(WIDTH, int(WIDTH * extent.height() / extent.width())))
        settings.setBackgroundColor(QColor("white"))
        settings.setFlag(QgsMapSettings.Antialiasing, False)
        # The map's variables (@map_units, ...), which QGIS's map canvas gives styles.
        context = QgsExpressionContext()
        context.appendScope(QgsExpressionContextUtils.mapSettingsScope(settings))
        settings.setExpressionContext(context)
        job = QgsMapRendererSequentialJob(settings)
        job.start()
        job.waitForFinished()
        image = job.renderedImage()
        if ARTEFACTS:
            os.makedirs(os.path.join(ARTEFACTS, "same-map"), exist_ok=True)
            image.save(os.path.join(ARTEFACTS, "same-map", name + ".png"))
        labels = [(label.labelText, label.cornerPoints[3], label.height)
                  for label in job.takeLabelingResults().allLabels()]
        return job.mapSettings(), image, labels

    def assert_same(self, want, got, what):
        (_, want_image, want_labels), (settings, image, labels) = want, got
        self.assertEqual(sorted(t for t, _, _ in labels), sorted(t for t, _, _ in want_labels),
                         what)
        for text, corner, height in want_labels:
            near = [c for t, c, _ in labels
                    if t == text and c.distance(corner) <= PLACE * height]
            self.assertTrue(near, f"{what}: label {text!r} at {corner}")
        differing = 0
        for y in range(image.height()):
            for x in range(image.width()):
                a, b = want_image.pixelColor(x, y), image.pixelColor(x, y)
                if max(abs(a.red() - b.red()), abs(a.green() - b.green()),
                       abs(a.blue() - b.blue())) > CHANNEL:
                    differing += 1
        self.assertLess(differing / (image.width() * image.height()), DIFFERING, what)

    def assert_same_labels(self, want, got, to_own, what):
        """Labels drawn in another system: each where the GeoPackage's is, as high."""
        from qgis.core import QgsCoordinateTransform, QgsPointXY, QgsProject
        back = QgsCoordinateTransform(to_own.destinationCrs(), to_own.sourceCrs(),
                                      QgsProject.instance())
        labels = []
        for text, corner, height in got[2]:
            above = QgsPointXY(corner.x(), corner.y() + height)
            corner, above = back.transform(QgsPointXY(corner)), back.transform(above)
            labels.append((text, corner, corner.distance(above)))
        self.assertEqual(sorted(t for t, _, _ in labels), sorted(t for t, _, _ in want[2]),
                         what)
        for text, corner, height in want[2]:
            near = [h for t, c, h in labels if t == text and c.distance(corner) <= PLACE * height]
            self.assertTrue(near, f"{what}: label {text!r} at {corner}")
            self.assertTrue(any(abs(h - height) <= 0.15 * height for h in near),
                            f"{what}: label {text!r} {near} high, not {height}")


class SameMap(SameMapCase):
    def test_every_format_draws_the_geopackages_map(self):
        from qgis.core import (QgsCoordinateReferenceSystem, QgsCoordinateTransform,
                               QgsPointXY, QgsProject)
        sheet, extent = self.reference()
        for fmt, out, folder, own in FORMATS:
            with self.subTest(format=fmt):
                layers = self.open(layer_sources(self.convert(out, "-f", fmt), folder))
                name = fmt.replace(" ", "-")
                self.assert_same(sheet, self.draw(layers, SRS, extent, name), fmt)
                if own is None:
                    continue
                to_own = QgsCoordinateTransform(QgsCoordinateReferenceSystem(SRS),
                                                QgsCoordinateReferenceSystem(own),
                                                QgsProject.instance())
                drawn = self.draw(layers, own, to_own.transformBoundingBox(extent),
                                  name + "-own")
                self.assert_same_labels(sheet, drawn, to_own, f"{fmt} in {own}")
                own_pixels = [(tuple(to_own.transform(QgsPointXY(*xy))), colour, what)
                              for xy, colour, what in PIXELS]
                assert_pixels(self, drawn[0], drawn[1], own_pixels)


if __name__ == "__main__":
    unittest.main()
