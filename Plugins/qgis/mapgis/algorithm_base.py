# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: what the Processing algorithms share.
"""mapgis-import run for an algorithm, its failures the algorithm's error, and the parameters
of the coordinate system."""
from qgis.core import (QgsProcessingAlgorithm, QgsProcessingException,
                       QgsProcessingParameterCrs, QgsProcessingParameterEnum)

from .importer import Importer, ImporterError
from .systems import DATUMS

DATUM_OPTIONS = ["None: the system below, or none"] + [
    "%s: the Gauss-Kruger zone the eastings carry" % name for _, name in DATUMS]


class ImportAlgorithm(QgsProcessingAlgorithm):
    """An algorithm that runs mapgis-import."""

    def group(self):
        return ""

    def groupId(self):
        return ""

    def createInstance(self):
        return type(self)()

    def helpUrl(self):
        from .plugin import help_path
        return "file://" + help_path()

    def canExecute(self):
        try:
            Importer()
        except ImporterError as error:
            return False, str(error)
        return True, ""

    def run_importer(self, args, feedback, env=None, accept=(0,)):
        """mapgis-import's exit status and standard output lines; a failure is the
        algorithm's error."""
        try:
            return Importer().run(args, feedback, env, accept)
        except ImporterError as error:
            raise QgsProcessingException(str(error))

    def add_system_parameters(self):
        self.addParameter(QgsProcessingParameterEnum(
            "DATUM", "Datum of eastings with zone number", DATUM_OPTIONS, defaultValue=0))
        self.addParameter(QgsProcessingParameterCrs(
            "CRS", "Coordinate system (when no datum is chosen)", optional=True))

    def system_args(self, parameters, context):
        datum = self.parameterAsEnum(parameters, "DATUM", context)
        if datum > 0:
            return ["--srs", DATUMS[datum - 1][0]]
        crs = self.parameterAsCrs(parameters, "CRS", context)
        if crs.isValid():
            return ["--srs", crs.authid() or crs.toWkt()]
        return []
