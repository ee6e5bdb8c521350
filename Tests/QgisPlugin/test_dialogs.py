"""The question about a sheet's system as a real Qt dialog, answered as a user would: the
answer is the chosen candidate's system, a cancelled question no system."""
import unittest

from plugin_common import qgis_app


def answer_with(choice):
    """Once the dialog is up: choose the item holding choice and press OK, or Cancel."""
    def act():
        from qgis.PyQt.QtWidgets import QApplication
        dialog = QApplication.activeModalWidget()
        if choice is None:
            dialog.reject()
            return
        [label] = [item for item in dialog.comboBoxItems() if choice in item]
        dialog.setTextValue(label)
        dialog.accept()
    return act


class Dialogs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        qgis_app()

    def test_answers(self):
        from mapgis.dialogs import ask_system
        from mapgis.systems import Session, decide
        from qgis.PyQt.QtCore import QTimer
        zoned = decide((39511100, 3420050, 39514180, 3421555), Session())
        zoneless = decide((523412.5, 3364152.6, 523720, 3364345), Session())
        # decision, what the user picks, the system given
        cases = [(zoned, "Xian 1980 / 3-degree Gauss-Kruger zone 39", "XIAN80"),
                 (zoned, None, ""),
                 (zoneless, "CGCS2000 / 3-degree Gauss-Kruger CM 117E", "EPSG:4548")]
        for decision, choice, system in cases:
            with self.subTest(action=decision.action, choice=choice):
                QTimer.singleShot(0, answer_with(choice))
                self.assertEqual(ask_system(None, "sample.wal", decision), system)


if __name__ == "__main__":
    unittest.main()
