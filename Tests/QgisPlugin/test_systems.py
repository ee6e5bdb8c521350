"""The choice of a sheet's coordinate system, table-driven: what is decided, what is asked,
and what the session keeps."""
import unittest

import plugin_common  # noqa: F401  (the plugin's folder on the path)
from mapgis import systems


class Decide(unittest.TestCase):
    def test_decisions(self):
        # bounds, session (datum, system), action, srs, zone
        cases = [
            (None, ("", ""), "use", "", 0),
            # Zone 39 in front of every easting: the zone is known, the datum is asked.
            ((39511100, 3420050, 39514180, 3421555), ("", ""), "ask_datum", "", 39),
            ((39511100, 3420050, 39514180, 3421555), ("XIAN80", ""), "use", "XIAN80", 39),
            # 6-degree zone 20.
            ((20400000, 4000000, 20410000, 4010000), ("CGCS2000", ""), "use", "CGCS2000", 20),
            # Eastings across two zones carry no single zone number.
            ((39900000, 3420000, 40100000, 3421000), ("CGCS2000", ""), "use", "", 0),
            # Without zone number: a system by central meridian, asked or kept.
            ((523412.5, 3364152.6, 523720, 3364345), ("CGCS2000", ""), "ask_system", "", 0),
            ((523412.5, 3364152.6, 523720, 3364345), ("", "EPSG:4548"), "use", "EPSG:4548", 0),
            # Paper millimetres: nothing is claimed.
            ((10, 10, 800, 600), ("CGCS2000", "EPSG:4548"), "use", "", 0),
        ]
        for bounds, (datum, system), action, srs, zone in cases:
            with self.subTest(bounds=bounds, datum=datum, system=system):
                decision = systems.decide(bounds, systems.Session(datum, system))
                self.assertEqual(decision.action, action)
                self.assertEqual(decision.srs, srs)
                self.assertEqual(decision.zone, zone)

    def test_datum_question_names_the_zone_systems(self):
        decision = systems.decide((39511100, 3420050, 39514180, 3421555), systems.Session())
        self.assertEqual(decision.candidates, [
            ("BEIJING54", "Beijing 1954 / 3-degree Gauss-Kruger zone 39"),
            ("XIAN80", "Xian 1980 / 3-degree Gauss-Kruger zone 39"),
            ("CGCS2000", "CGCS2000 / 3-degree Gauss-Kruger zone 39")])

    def test_system_question_lists_the_central_meridians(self):
        decision = systems.decide((523412.5, 3364152.6, 523720, 3364345), systems.Session())
        codes = dict(decision.candidates)
        # EPSG numbers for CM 117E: 4548 on CGCS2000 (README), and Xian 1980 counts from
        # 2370 for CM 75E up by one every 3 degrees.
        self.assertEqual(codes["EPSG:4548"], "CGCS2000 / 3-degree Gauss-Kruger CM 117E")
        self.assertEqual(codes["EPSG:2384"], "Xian 1980 / 3-degree Gauss-Kruger CM 117E")
        names = [name for _, name in decision.candidates]
        for datum in ("Beijing 1954", "Xian 1980", "CGCS2000"):
            self.assertTrue(any(n.startswith(datum + " / ") for n in names), datum)
        self.assertTrue(all("Gauss-Kruger CM" in n for n in names))

    def test_an_answer_is_kept_for_its_question_only(self):
        session = systems.Session()
        zoned = systems.decide((39511100, 3420050, 39514180, 3421555), session)
        systems.remember(session, zoned, "BEIJING54")
        self.assertEqual((session.datum, session.system), ("BEIJING54", ""))
        zoneless = systems.decide((523412.5, 3364152.6, 523720, 3364345), session)
        self.assertEqual(zoneless.action, "ask_system")
        systems.remember(session, zoneless, "EPSG:2384")
        self.assertEqual((session.datum, session.system), ("BEIJING54", "EPSG:2384"))


if __name__ == "__main__":
    unittest.main()
