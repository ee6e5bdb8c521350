# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the algorithm Write styles for MAPGIS files.
"""The QML style QGIS loads for MAPGIS files opened through the driver, into a folder."""
import os
import shutil
import tempfile

from qgis.core import (QgsProcessing, QgsProcessingException, QgsProcessingOutputMultipleLayers,
                       QgsProcessingParameterFolderDestination,
                       QgsProcessingParameterMultipleLayers)

from .algorithm_base import ImportAlgorithm
from .importer import Importer, ImporterError
from .loader import write_styles


class WriteStyles(ImportAlgorithm):
    def name(self):
        return "writestyles"

    def displayName(self):
        return "Write styles for MAPGIS files"

    def shortHelpString(self):
        return ("Writes <file>.qml, the style mapgis-import --style-only makes for MAPGIS "
                "files opened through the GDAL driver (rule-based fills, pens, markers and "
                "labels from the style fields), into the output folder. Put a style beside "
                "its file for QGIS to load it with the file.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterMultipleLayers(
            "INPUT", "MAPGIS files", QgsProcessing.TypeFile))
        self.addParameter(QgsProcessingParameterFolderDestination(
            "OUTPUT_FOLDER", "Folder for the styles"))
        self.addOutput(QgsProcessingOutputMultipleLayers("STYLES", "Styles written"))

    def processAlgorithm(self, parameters, context, feedback):
        files = self.parameterAsFileList(parameters, "INPUT", context)
        target = self.parameterAsString(parameters, "OUTPUT_FOLDER", context)
        os.makedirs(target, exist_ok=True)
        written = []
        # Made beside links to the files in a folder of our own, then moved: the user's
        # folder gets nothing it did not ask for.
        with tempfile.TemporaryDirectory(prefix="mapgis-styles-") as work:
            try:
                styles = write_styles(Importer(), files, work)
            except ImporterError as error:
                raise QgsProcessingException(str(error))
            for qml in sorted(set(styles.values())):
                path = os.path.join(target, os.path.basename(qml))
                shutil.move(qml, path)
                written.append(path)
                feedback.pushInfo("%s: written" % path)
        return {"OUTPUT_FOLDER": target, "STYLES": written}
