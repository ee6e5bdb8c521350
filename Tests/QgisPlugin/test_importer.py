"""mapgis-import as the plugin runs it: its progress lines read defensively, the options its
--help offers, and the program found on PATH."""
import os
import unittest

from plugin_common import IMPORTER, qgis_app

from mapgis.importer import ImporterError


class Importer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        qgis_app()  # Processing's settings name the program

    def test_progress_lines(self):
        from mapgis.importer import parse_progress
        cases = [("progress 0.000", 0.0), ("progress 0.250", 0.25), ("progress 1.000", 1.0),
                 ("progress 1", 1.0), ("progress .5", 0.5), ("progress 0.5  ", 0.5),
                 ("progress 1.500", 1.0),  # beyond the end: the end
                 ("progress -0.1", None), ("progress", None), ("progress 0.5 of 2", None),
                 ("Wrote out.gpkg:", None), ("  progress 0.5", None), ("", None)]
        for line, fraction in cases:
            with self.subTest(line=line):
                self.assertEqual(parse_progress(line), fraction)

    def test_found_on_path_and_its_options(self):
        from mapgis.importer import Importer
        importer = Importer()
        # The CTest environment puts the built program first on PATH.
        self.assertEqual(os.path.realpath(importer.path), os.path.realpath(IMPORTER))
        for option, offered in (("--style-only", True), ("--overwrite", True),
                                ("--report", True), ("--style", False), ("--only", False)):
            with self.subTest(option=option):
                self.assertEqual(importer.offers(option), offered)

    def test_the_program_set_in_processings_options(self):
        from mapgis.importer import SETTING_PATH, Importer
        from processing.core.ProcessingConfig import ProcessingConfig
        from processing_common import provider
        import tempfile
        provider()  # adds the setting
        with tempfile.TemporaryDirectory() as folder:
            elsewhere = os.path.join(folder, "importer")
            os.symlink(IMPORTER, elsewhere)
            ProcessingConfig.setSettingValue(SETTING_PATH, elsewhere)
            try:
                self.assertEqual(Importer().path, elsewhere)
                # A setting naming a file that cannot run is said, not passed over for PATH.
                plain = os.path.join(folder, "plain")
                open(plain, "w").close()
                ProcessingConfig.setSettingValue(SETTING_PATH, plain)
                with self.assertRaises(ImporterError) as caught:
                    Importer()
                self.assertIn(plain + ", set as mapgis-import in Settings", str(caught.exception))
            finally:
                ProcessingConfig.setSettingValue(SETTING_PATH, "")
        self.assertEqual(os.path.realpath(Importer().path), os.path.realpath(IMPORTER))

    def test_a_missing_program_is_said(self):
        from mapgis.importer import Importer, ImporterError
        with self.assertRaises(ImporterError) as caught:
            Importer("")
        self.assertIn("mapgis-import was not found", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
