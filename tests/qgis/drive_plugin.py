"""Run inside QGIS (--code): presses the plugin's button, then "Off" and
"On" in the add-in's window, writes what the Layers panel and the canvas
show after each to $QUARNEL_RESULT and quits QGIS."""
import json
import os

from qgis.core import QgsProject
from qgis.PyQt.QtCore import QTimer
from qgis.PyQt.QtWidgets import QApplication, QPushButton, QToolBar
from qgis.utils import iface

result = {}


def checked():
    nodes = QgsProject.instance().layerTreeRoot().findLayers()
    return sorted(n.name() for n in nodes if n.itemVisibilityChecked())


def drawn():
    return sorted(layer.name() for layer in iface.mapCanvas().layers())


def press(text):
    for window in QApplication.topLevelWidgets():
        for button in window.findChildren(QPushButton):
            if button.text().replace("&", "") == text and button.isVisible():
                button.click()
                return True
    return False


def finish():
    with open(os.environ["QUARNEL_RESULT"], "w") as out:
        json.dump(result, out)
    QgsProject.instance().setDirty(False)
    iface.actionExit().trigger()


steps = []


def run_steps():
    if steps:
        steps.pop(0)()
        QTimer.singleShot(700, run_steps)
    else:
        finish()


def click_button():
    toolbar = iface.mainWindow().findChild(QToolBar, "QuarnelVisibilityToolBar")
    result["button"] = [a.toolTip() for a in toolbar.actions()] if toolbar else []
    if toolbar:
        toolbar.actions()[0].trigger()


def switch(text):
    def step():
        result[text] = {"pressed": press(text)}
    return step


def look_after(text):
    # The canvas takes its layers once control is back in the event loop.
    def step():
        result[text].update({"checked": checked(), "drawn": drawn()})
    return step


def look():
    result["at start"] = {"checked": checked(), "drawn": drawn()}


steps += [look, click_button, switch("Off"), look_after("Off"), switch("On"), look_after("On")]
QTimer.singleShot(1500, run_steps)
