# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: which coordinate system to give a sheet.
"""The choice of a sheet's coordinate system, as plain functions the dialogs only show."""
import math
from dataclasses import dataclass, field

# The datums of Chinese sheets: the driver's SRS shortcut and PROJ's name of the datum.
DATUMS = (("BEIJING54", "Beijing 1954"), ("XIAN80", "Xian 1980"), ("CGCS2000", "CGCS2000"))


@dataclass
class Session:
    """What the user chose once for this QGIS session: a datum for sheets whose eastings carry
    their zone, a system for sheets whose eastings do not."""
    datum: str = ""
    system: str = ""


@dataclass
class Decision:
    """use: srs is decided ("" for none); ask_datum: the zone is known, the datum is not;
    ask_system: one of candidates (EPSG code, name) is needed."""
    action: str
    srs: str = ""
    zone: int = 0
    candidates: list = field(default_factory=list)
    reason: str = ""


def zone_of_eastings(bounds):
    """The zone number eastings carry in front (39 in 39 511 100), or 0: the driver's rule,
    every easting in one zone of 1 to 120."""
    if bounds is None:
        return 0
    min_x, _, max_x, _ = bounds
    if min_x < 1e6 or max_x >= 1e8:
        return 0
    first, last = math.floor(min_x / 1e6), math.floor(max_x / 1e6)
    return first if first == last and first <= 120 else 0


def looks_like_zoneless_eastings(bounds):
    min_x, min_y, max_x, max_y = bounds
    return min_x >= 100000 and max_x < 1e6 and min_y >= 0 and max_y < 1e7


def decide(bounds, session):
    """What to do for a sheet of these bounds (min x, min y, max x, max y; None without
    coordinates) given what the user chose before."""
    if bounds is None:
        return Decision("use", reason="the sheet holds no coordinates")
    zone = zone_of_eastings(bounds)
    if zone:
        if session.datum:
            return Decision("use", srs=session.datum, zone=zone,
                            reason="zone %d from the eastings, datum chosen before" % zone)
        return Decision("ask_datum", zone=zone, candidates=datum_systems(zone),
                        reason="eastings with zone number %d in front" % zone)
    if looks_like_zoneless_eastings(bounds):
        if session.system:
            return Decision("use", srs=session.system, reason="system chosen before")
        return Decision("ask_system", candidates=meridian_systems(),
                        reason="Gauss-Kruger eastings without zone number")
    min_x, min_y, max_x, max_y = bounds
    if max_x - min_x < 2000 and max_y - min_y < 2000:
        return Decision("use", reason="small coordinates: likely millimetres of the paper map")
    return Decision("use", reason="coordinates of unknown kind")


def remember(session, decision, srs):
    """Keeps the user's answer to a question for the rest of the session."""
    if decision.action == "ask_datum":
        session.datum = srs
    elif decision.action == "ask_system":
        session.system = srs


def _projected_systems(test):
    from osgeo import osr
    found = []
    for info in osr.GetCRSInfoListFromDatabase("EPSG"):
        if info.type == osr.OSR_CRS_TYPE_PROJECTED and not info.deprecated and test(info.name):
            found.append(("EPSG:" + info.code, info.name))
    return sorted(found, key=lambda c: c[1])


def datum_systems(zone):
    """For each datum, (its driver shortcut, PROJ's name of its system of that zone)."""
    names = {}
    for _, name in _projected_systems(lambda n: n.endswith("Gauss-Kruger zone %d" % zone)):
        names.setdefault(name.split(" / ")[0], name)
    return [(shortcut, names.get(datum, "%s, zone %d" % (datum, zone)))
            for shortcut, datum in DATUMS]


def meridian_systems():
    """The Gauss-Kruger systems by central meridian of the three datums."""
    prefixes = tuple(datum + " / " for _, datum in DATUMS)
    return _projected_systems(lambda n: n.startswith(prefixes) and "Gauss-Kruger CM " in n)
