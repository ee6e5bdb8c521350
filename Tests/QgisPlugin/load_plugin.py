"""Loads the plugin the way QGIS does (qgis.utils), in this process, and prints as JSON what
QGIS then holds: the plugin, its Processing provider and browser provider, its metadata, and
every message logged while it loaded, and after it was unloaded. With
MAPGIS_OPEN_BEFORE_UNLOAD, the plugin is unloaded while that sheet opens, and the groups left
once QGIS's tasks are done are told too."""
import json
import os
import sys

from plugin_common import LOG, PLUGINS, qgis_app


def main():
    qgis_app()
    import qgis.utils
    from qgis.core import QgsApplication, QgsProject
    from qgis.gui import QgsGui
    LOG.clear()
    qgis.utils.plugin_paths = [PLUGINS]
    qgis.utils.updateAvailablePlugins()
    result = {"available": "mapgis" in qgis.utils.available_plugins,
              "loaded": qgis.utils.loadPlugin("mapgis"),
              "started": qgis.utils.startPlugin("mapgis")}
    result["module"] = sys.modules["mapgis"].__file__
    provider = QgsApplication.processingRegistry().providerById("mapgis")
    result["provider"] = provider.name() if provider else None
    result["algorithms"] = sorted(a.displayName()
                                  for a in (provider.algorithms() if provider else []))
    result["browser"] = [p.name() for p in QgsGui.dataItemGuiProviderRegistry().providers()]
    result["metadata"] = {key: qgis.utils.pluginMetadata("mapgis", key) for key in (
        "name", "qgisMinimumVersion", "hasProcessingProvider", "homepage")}
    result["log"] = list(LOG)
    LOG.clear()
    sheet = os.environ.get("MAPGIS_OPEN_BEFORE_UNLOAD")
    if sheet:
        qgis.utils.plugins["mapgis"].loader.open_files([sheet])
    result["unloaded"] = qgis.utils.unloadPlugin("mapgis")
    if sheet:
        while QgsApplication.taskManager().countActiveTasks():
            QgsApplication.processEvents()
        result["groups_after_unload"] = [
            g.name() for g in QgsProject.instance().layerTreeRoot().findGroups()]
    result["provider_after_unload"] = bool(
        QgsApplication.processingRegistry().providerById("mapgis"))
    result["browser_after_unload"] = [
        p.name() for p in QgsGui.dataItemGuiProviderRegistry().providers()]
    result["log_of_unload"] = list(LOG)
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
