"""The Processing algorithms through processing.run and a Processing model, in real QGIS:
each writes what mapgis-import writes for the same request (layer names and feature counts
against a direct run) and loads what it wrote; mapgis-import's failures are the algorithm's
error."""
import glob
import os
import unittest

from plugin_common import SHEET_FILES, TempDirCase, layer_counts, run_importer
from processing_common import provider, run


def dataset_counts(path):
    """Features per layer of a dataset, or of each file of a folder output of one format."""
    if os.path.isfile(path):
        return layer_counts(path)
    counts = {}
    stem, extension = os.path.splitext(path)
    for f in sorted(glob.glob(os.path.join(stem, "*" + extension))):
        counts.update(layer_counts(f))
    return counts


class Algorithms(TempDirCase):
    @classmethod
    def setUpClass(cls):
        provider()

    def direct(self, *args):
        r = run_importer(*args, "-q")
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_convert_sheet_writes_what_mapgis_import_writes(self):
        files = self.copy_samples()
        wal_wap_wan = [f for f in files if f.endswith((".wal", ".wap", ".wan"))]
        wat = [f for f in files if f.endswith(".wat")]
        colors = self.path("colors.txt")
        # name, files, algorithm parameters, mapgis-import's options, system of the layers
        cases = [
            ("gpkg", wal_wap_wan, {"DATUM": 3}, ["--srs", "CGCS2000"], "EPSG:4527"),
            ("shp", wal_wap_wan, {"DATUM": 2}, ["--srs", "XIAN80"], None),
            ("fgb", wat, {"CRS": "EPSG:4548", "COLORS": colors}, ["--srs", "EPSG:4548",
                                                                  "--colors", colors], "EPSG:4548"),
            ("gpkg", wat, {"SCALE": 2.0, "OFFSET": "10,20"}, ["--scale", "2", "--offset", "10,20"],
             None),
        ]
        for i, (extension, inputs, parameters, options, system) in enumerate(cases):
            with self.subTest(extension=extension, options=options):
                out = self.path("alg%d.%s" % (i, extension))
                direct = self.path("direct%d.%s" % (i, extension))
                results, context = run("mapgis:convertsheet", dict(
                    parameters, INPUT=inputs, OUTPUT=out))
                self.assertEqual(results["OUTPUT"], out)
                self.direct(*inputs, "-o", direct, *options)
                counts = dataset_counts(out)
                self.assertTrue(counts)
                self.assertEqual(counts, dataset_counts(direct))
                loaded = context.layersToLoadOnCompletion()
                self.assertEqual(sorted(d.name for d in loaded.values()), sorted(counts))
                from qgis.core import QgsVectorLayer
                for uri, details in loaded.items():
                    layer = QgsVectorLayer(uri, details.name, "ogr")
                    self.assertEqual(layer.featureCount(), counts[details.name], uri)
                    if system:
                        self.assertEqual(layer.crs().authid(), system)
        # The scale and offset reached mapgis-import: the point file's symbol at (523680,
        # 3364280) lands at (2 * 523680 + 10, 2 * 3364280 + 20).
        from osgeo import ogr
        ds = ogr.Open(self.path("alg3.gpkg"))
        feature = ds.GetLayerByName("sample_points").GetNextFeature()
        point = feature.GetGeometryRef()
        self.assertEqual((point.GetX(), point.GetY()), (1047370.0, 6728580.0))

    def test_convert_sheet_writes_a_geopackage_by_default(self):
        files = self.copy_samples(names=("sample.wal",))
        results, context = run("mapgis:convertsheet", {"INPUT": files,
                                                       "OUTPUT": "TEMPORARY_OUTPUT"})
        self.assertTrue(results["OUTPUT"].endswith(".gpkg"), results)
        self.assertEqual(layer_counts(results["OUTPUT"]), {"sample_lines": 30})
        os.remove(results["OUTPUT"])

    def make_archive(self):
        for folder in ("a", "b/c"):
            self.copy_samples(os.path.join("archive", folder),
                              ("sample.wal", "sample.wap", "colors.txt"))
        return self.path("archive")

    def test_convert_archive_to_a_folder_and_to_one_geopackage(self):
        archive = self.make_archive()
        # target, output parameter, mapgis-import's output options
        cases = [(0, "OUTPUT_FOLDER", "out", []), (1, "MERGED", "merged.gpkg", ["--merge"])]
        for target, key, name, options in cases:
            with self.subTest(target=target):
                out, direct = self.path("alg-" + name), self.path("direct-" + name)
                report = self.path("alg-%d.csv" % target)
                run("mapgis:convertarchive", {"INPUT": archive, "TARGET": target, key: out,
                                              "DATUM": 3, "JOBS": 2, "REPORT": report})
                self.direct(archive, "-r", "-o", direct, "--srs", "CGCS2000", *options)
                if target == 0:
                    found = sorted(os.path.relpath(p, out) for p in
                                   glob.glob(os.path.join(out, "**", "*.gpkg"), recursive=True))
                    self.assertEqual(found, ["a/sample.gpkg", "b/c/sample.gpkg"])
                    for sheet in found:
                        self.assertEqual(layer_counts(os.path.join(out, sheet)),
                                         layer_counts(os.path.join(direct, sheet)))
                else:
                    self.assertEqual(layer_counts(out), layer_counts(direct))
                    self.assertEqual(layer_counts(out), {"archive_lines": 60,
                                                         "archive_areas": 6})
                with open(report, encoding="utf-8") as f:
                    rows = f.read().splitlines()
                self.assertEqual(len(rows), 1 + 4)  # a header and the four inputs

    def test_an_archive_with_a_broken_sheet_writes_the_others(self):
        from qgis.core import QgsProcessingFeedback
        archive = self.make_archive()
        self.write("archive/d/broken.wal", "WMAP line file\n1\n1,0,1\n")
        direct = run_importer(archive, "-r", "-o", self.path("direct"), "-q")
        self.assertEqual(direct.returncode, 5, direct.stderr)  # README: some sheets failed

        class Errors(QgsProcessingFeedback):
            def __init__(self):
                super().__init__()
                self.errors = []

            def reportError(self, error, fatal=False):
                self.errors.append((error, fatal))
        feedback = Errors()
        out = self.path("out")
        run("mapgis:convertarchive", {"INPUT": archive, "TARGET": 0, "OUTPUT_FOLDER": out},
            feedback)
        # The sheets written, as a direct run writes them (with the broken sheet's folder).
        self.assertEqual(self.listing(out), self.listing(self.path("direct")))
        self.assertIn(os.path.join("b", "c", "sample.gpkg"), self.listing(out))
        self.assertEqual(layer_counts(os.path.join(out, "a", "sample.gpkg")),
                         layer_counts(os.path.join(self.path("direct"), "a", "sample.gpkg")))
        self.assertIn(("some sheets failed (mapgis-import exit 5): the others are written; the "
                       "messages above and the report say which and why", False),
                      feedback.errors)

    def test_write_styles_writes_what_style_only_writes(self):
        files = self.copy_samples(names=SHEET_FILES)
        out = self.path("styles")
        results, _ = run("mapgis:writestyles", {"INPUT": files[:2], "OUTPUT_FOLDER": out})
        self.assertEqual(results["STYLES"], [os.path.join(out, "sample.qml")])
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(SHEET_FILES + ("styles", "tmp")))
        direct = self.copy_samples("direct", names=SHEET_FILES[:1])
        self.direct("--style-only", *direct)
        with open(os.path.join(out, "sample.qml"), "rb") as a, \
                open(self.path("direct", "sample.qml"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_mapgis_imports_failure_is_the_algorithms_error(self):
        from qgis.core import QgsProcessingException
        bad = self.write("broken.wal", "WMAP line file\n1\n1,0,1\n")
        direct = run_importer(bad, "-o", self.path("direct.gpkg"))
        self.assertNotEqual(direct.returncode, 0)
        with self.assertRaises(QgsProcessingException) as caught:
            run("mapgis:convertsheet", {"INPUT": [bad], "OUTPUT": self.path("out.gpkg")})
        message = str(caught.exception)
        self.assertIn("(exit %d)" % direct.returncode, message)
        for line in direct.stderr.splitlines():
            self.assertIn(line, message)
        self.assertFalse(os.path.exists(self.path("out.gpkg")))

    def test_convert_sheet_in_a_processing_model(self):
        from qgis.core import (QgsProcessingModelAlgorithm, QgsProcessingModelChildAlgorithm,
                               QgsProcessingModelChildParameterSource,
                               QgsProcessingModelParameter, QgsProcessingModelOutput,
                               QgsProcessingParameterFile)
        files = self.copy_samples(names=("sample.wal",))
        model = QgsProcessingModelAlgorithm("sheet to gpkg", "tests")
        model.addModelParameter(QgsProcessingParameterFile("sheet", "Sheet"),
                                QgsProcessingModelParameter("sheet"))
        child = QgsProcessingModelChildAlgorithm("mapgis:convertsheet")
        child.setChildId("convert")
        child.addParameterSources("INPUT", [
            QgsProcessingModelChildParameterSource.fromModelParameter("sheet")])
        child.addParameterSources("DATUM", [
            QgsProcessingModelChildParameterSource.fromStaticValue(3)])
        output = QgsProcessingModelOutput("gpkg", "GeoPackage")
        output.setChildOutputName("OUTPUT")
        child.setModelOutputs({"gpkg": output})
        model.addChildAlgorithm(child)
        # QGIS 3.22 names the model's output "convert:gpkg", 3.40 after its description.
        [destination] = [p.name() for p in model.destinationParameterDefinitions()]
        out = self.path("model.gpkg")
        results, _ = run(model, {"sheet": files[0], destination: out})
        self.assertEqual(results[destination], out)
        self.assertEqual(layer_counts(out), {"sample_lines": 30})


if __name__ == "__main__":
    unittest.main()
