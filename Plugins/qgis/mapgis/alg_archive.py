# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the algorithm Convert archive.
"""A folder of sheets into a folder of outputs, one merged GeoPackage or a PostGIS database."""
import os

from qgis.core import (QgsDataSourceUri, QgsProcessingException, QgsProcessingParameterBoolean,
                       QgsProcessingParameterEnum, QgsProcessingParameterFile,
                       QgsProcessingParameterFileDestination,
                       QgsProcessingParameterFolderDestination, QgsProcessingParameterNumber,
                       QgsProcessingParameterProviderConnection, QgsProcessingParameterString,
                       QgsProviderRegistry)

from .algorithm_base import ImportAlgorithm

TARGETS = ["A folder: one output per sheet", "One merged GeoPackage", "A PostGIS database"]
# mapgis-import's exit statuses when some sheets failed and the others were written, and
# when the output was written and the report was not.
PARTIAL_EXITS = (5, 6)


def postgis_target(name):
    """The connection string of a saved PostGIS connection without its password, and the
    password (for PGPASSWORD: never on a command line)."""
    metadata = QgsProviderRegistry.instance().providerMetadata("postgres")
    try:
        connection = metadata.createConnection(name)
    except Exception as error:  # QgsProviderConnectionException
        raise QgsProcessingException("PostGIS connection %s: %s" % (name, error))
    uri = QgsDataSourceUri(QgsDataSourceUri(connection.uri()).connectionInfo(True))
    password = uri.password()
    uri.setPassword("")
    return "PG:" + uri.connectionInfo(False), password


class ConvertArchive(ImportAlgorithm):
    def name(self):
        return "convertarchive"

    def displayName(self):
        return "Convert archive"

    def shortHelpString(self):
        return ("Converts every sheet in a folder (and its subfolders) with mapgis-import, in "
                "parallel worker processes: one output per sheet in a folder, all sheets in "
                "one GeoPackage, or tables in a PostGIS database. A report lists every input "
                "with its account.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterFile(
            "INPUT", "Folder of MAPGIS sheets", QgsProcessingParameterFile.Folder))
        self.addParameter(QgsProcessingParameterBoolean(
            "RECURSIVE", "Subfolders too", defaultValue=True))
        self.addParameter(QgsProcessingParameterEnum(
            "TARGET", "Write into", TARGETS, defaultValue=0))
        self.addParameter(QgsProcessingParameterFolderDestination(
            "OUTPUT_FOLDER", "Output folder", optional=True))
        self.addParameter(QgsProcessingParameterFileDestination(
            "MERGED", "Merged GeoPackage", "GeoPackage (*.gpkg)", optional=True))
        self.addParameter(QgsProcessingParameterProviderConnection(
            "CONNECTION", "PostGIS connection", "postgres", optional=True))
        self.addParameter(QgsProcessingParameterString(
            "SCHEMA", "PostGIS schema", defaultValue="public", optional=True))
        self.add_system_parameters()
        self.addParameter(QgsProcessingParameterNumber(
            "JOBS", "Worker processes (0: one per core)", defaultValue=0, minValue=0))
        self.addParameter(QgsProcessingParameterFileDestination(
            "REPORT", "Report", "CSV (*.csv);;JSON lines (*.jsonl)", optional=True))

    def target_args(self, parameters, context):
        """The output arguments, the environment, and the algorithm's OUTPUT."""
        target = self.parameterAsEnum(parameters, "TARGET", context)
        if target == 0:
            folder = self.parameterAsString(parameters, "OUTPUT_FOLDER", context)
            if not folder:
                raise QgsProcessingException("an output folder is needed")
            return ["-o", folder], None, folder
        if target == 1:
            merged = self.parameterAsFileOutput(parameters, "MERGED", context)
            if not merged:
                raise QgsProcessingException("a merged GeoPackage is needed")
            return ["--merge", "-o", merged], None, merged
        name = self.parameterAsConnectionName(parameters, "CONNECTION", context)
        if not name:
            raise QgsProcessingException("a PostGIS connection is needed")
        conninfo, password = postgis_target(name)
        env = dict(os.environ, PGPASSWORD=password) if password else None
        schema = self.parameterAsString(parameters, "SCHEMA", context) or "public"
        return ["-o", conninfo, "--schema", schema], env, name

    def processAlgorithm(self, parameters, context, feedback):
        folder = self.parameterAsFile(parameters, "INPUT", context)
        output_args, env, output = self.target_args(parameters, context)
        args = [folder] + output_args + ["--overwrite"] + self.system_args(parameters, context)
        if self.parameterAsBoolean(parameters, "RECURSIVE", context):
            args.append("-r")
        jobs = self.parameterAsInt(parameters, "JOBS", context)
        if jobs > 0:
            args += ["-j", str(jobs)]
        report = self.parameterAsFileOutput(parameters, "REPORT", context)
        if report:
            args += ["--report", report]
        status, _ = self.run_importer(args, feedback, env, accept=(0,) + PARTIAL_EXITS)
        if status == PARTIAL_EXITS[0]:
            feedback.reportError("some sheets failed (mapgis-import exit %d): the others are "
                                 "written; the messages above and the report say which and "
                                 "why" % status, False)
        elif status == PARTIAL_EXITS[1]:
            feedback.reportError("the output is written, the report could not be (mapgis-import "
                                 "exit %d): see the messages above" % status, False)
        return {"OUTPUT": output, "REPORT": report}
