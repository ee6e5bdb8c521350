"""The plugin's Processing provider registered in headless QGIS, and runs of its algorithms."""
from plugin_common import qgis_app

_provider = None


def provider():
    """The provider, registered once per process as the plugin registers it."""
    global _provider
    qgis_app()
    if _provider is None:
        from mapgis.provider import MapgisProvider
        from qgis.core import QgsApplication
        _provider = MapgisProvider()
        QgsApplication.processingRegistry().addProvider(_provider)
    return _provider


def run(algorithm, parameters, feedback=None):
    """processing.run of a provider's algorithm in a context of its own: (results, context)."""
    import processing
    from qgis.core import QgsProcessingContext, QgsProcessingFeedback, QgsProject
    provider()
    context = QgsProcessingContext()
    context.setProject(QgsProject.instance())
    results = processing.run(algorithm, parameters, context=context,
                             feedback=feedback or QgsProcessingFeedback())
    return results, context
