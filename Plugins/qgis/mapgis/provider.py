# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the Processing provider.
"""The Processing provider "MAPGIS" and its setting, the path of mapgis-import."""
from processing.core.ProcessingConfig import ProcessingConfig, Setting
from qgis.core import QgsProcessingProvider

from .algorithms import ConvertArchive, ConvertSheet, WriteStyles
from .importer import SETTING_PATH


class MapgisProvider(QgsProcessingProvider):
    def id(self):
        return "mapgis"

    def name(self):
        return "MAPGIS"

    def longName(self):
        return "MAPGIS exchange files (mapgis-import)"

    def load(self):
        ProcessingConfig.settingIcons[self.name()] = self.icon()
        ProcessingConfig.addSetting(Setting(
            self.name(), SETTING_PATH, "mapgis-import program (empty: the one on PATH)", "",
            valuetype=Setting.FILE))
        ProcessingConfig.readSettings()
        self.refreshAlgorithms()
        return True

    def unload(self):
        ProcessingConfig.removeSetting(SETTING_PATH)

    def loadAlgorithms(self):
        for algorithm in (ConvertSheet(), ConvertArchive(), WriteStyles()):
            self.addAlgorithm(algorithm)
