# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the provider's algorithms.
"""The algorithms of the MAPGIS Processing provider."""
from .alg_archive import ConvertArchive
from .alg_sheet import ConvertSheet
from .alg_styles import WriteStyles

__all__ = ["ConvertArchive", "ConvertSheet", "WriteStyles"]
