# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the algorithm Convert sheet.
"""One sheet's files into one vector dataset, loaded into the project when done."""
from qgis.core import (QgsProcessing, QgsProcessingContext, QgsProcessingException,
                       QgsProcessingParameterFile, QgsProcessingParameterFileDestination,
                       QgsProcessingParameterMultipleLayers, QgsProcessingParameterNumber,
                       QgsProcessingParameterString)

from .algorithm_base import ImportAlgorithm
from .outputs import output_layers, writable_formats


class ConvertSheet(ImportAlgorithm):
    def name(self):
        return "convertsheet"

    def displayName(self):
        return "Convert sheet"

    def shortHelpString(self):
        return ("Converts the MAPGIS exchange files of a sheet (.wat, .wal, .wap, .wan) with "
                "mapgis-import into any vector format GDAL writes (GeoPackage by default), "
                "with QGIS styles, and loads its layers into the project.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterMultipleLayers(
            "INPUT", "MAPGIS files", QgsProcessing.TypeFile))
        self.addParameter(QgsProcessingParameterFile(
            "COLORS", "Colour index file or Pcolor.lib", optional=True))
        self.add_system_parameters()
        self.addParameter(QgsProcessingParameterNumber(
            "SCALE", "Scale (paper to ground units)", QgsProcessingParameterNumber.Double,
            optional=True, minValue=0.0))
        self.addParameter(QgsProcessingParameterString(
            "OFFSET", "Offset DX,DY (ground units)", optional=True))
        self.addParameter(QgsProcessingParameterFileDestination(
            "OUTPUT", "Output", writable_formats(), defaultValue=None))

    def processAlgorithm(self, parameters, context, feedback):
        files = self.parameterAsFileList(parameters, "INPUT", context)
        if not files:
            raise QgsProcessingException("no MAPGIS file given")
        output = self.parameterAsFileOutput(parameters, "OUTPUT", context)
        args = files + ["-o", output, "--overwrite"] + self.system_args(parameters, context)
        colors = self.parameterAsFile(parameters, "COLORS", context)
        if colors:
            args += ["--colors", colors]
        if parameters.get("SCALE") not in (None, ""):
            args += ["--scale", repr(self.parameterAsDouble(parameters, "SCALE", context))]
        offset = self.parameterAsString(parameters, "OFFSET", context)
        if offset:
            args += ["--offset", offset]
        self.run_importer(args, feedback)
        for rank, (uri, name) in enumerate(output_layers(output)):
            details = QgsProcessingContext.LayerDetails(name, context.project(), "OUTPUT")
            if hasattr(details, "layerSortKey"):  # QGIS 3.32: top first
                details.layerSortKey = rank
            context.addLayerToLoadOnCompletion(uri, details)
        return {"OUTPUT": output}
