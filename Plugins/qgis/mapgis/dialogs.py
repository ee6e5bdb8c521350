# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the question about a sheet's coordinate system.
"""Asks the user what systems.decide could not decide; nothing else."""
from qgis.PyQt.QtWidgets import QInputDialog


def ask_system(parent, title, decision):
    """The system the user picks from the decision's candidates, or "" when cancelled."""
    if decision.action == "ask_datum":
        question = ("%s: %s. Which datum? Your answer is kept for this session."
                    % (title, decision.reason))
    else:
        question = ("%s: %s; their central meridian is not known. Which system? Your answer "
                    "is kept for this session." % (title, decision.reason))
    labels = ["%s (%s)" % (name, code) for code, name in decision.candidates]
    label, ok = QInputDialog.getItem(parent, "MAPGIS coordinate system", question, labels, 0,
                                     False)
    if not ok:
        return ""
    return decision.candidates[labels.index(label)][0]
