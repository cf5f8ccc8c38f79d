"""Run inside QGIS (--code): presses the plugin's button, then "Off" and
"On" in the add-in's window, writes what the Layers panel and the canvas
show after each to $QUARNEL_RESULT; looks at the add-in's panel, unloads
the plugin as the Plugin Manager does and loads it again ($QUARNEL_PLUGIN),
looking at what stays after each, and quits QGIS."""
import ctypes
import json
import os

from qgis.core import QgsProject
from qgis.PyQt.QtCore import QTimer
from qgis.PyQt.QtWidgets import QApplication, QDockWidget, QMenu, QPushButton, QToolBar
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
labels = set()  # what names the plugin's button


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
        labels.add(toolbar.actions()[0].text())
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


PANEL = "QuarnelVisibilityPanel"


def plugin_parts():
    """The add-in's panels, their entries under View > Panels, its toolbars
    and its entries in the Plugins menu."""
    window = iface.mainWindow()
    panels = window.findChildren(QDockWidget, PANEL)
    titles = {panel.windowTitle() for panel in panels} or {"QuarnelVisibility"}
    view_panels = window.findChild(QMenu, "mPanelMenu")
    view_panels.aboutToShow.emit()

    def menu_entries(menu):
        """The plugin's actions in the menu and its submenus, and submenus left empty."""
        found = 0
        for action in menu.actions():
            if action.menu():
                found += menu_entries(action.menu()) + (0 if action.menu().actions() else 1)
            elif action.text() in labels:
                found += 1
        return found

    return {
        "panels": len(panels),
        "QGIS dock widget": all(panel.inherits("QgsDockWidget") for panel in panels),
        "shown": [panel.isVisible() for panel in panels],
        "floating": [panel.isFloating() for panel in panels],
        "under View > Panels": len([a for a in view_panels.actions() if a.text().replace("&", "") in titles]),
        "toolbars": len(window.findChildren(QToolBar, "QuarnelVisibilityToolBar")),
        "Plugins menu entries": menu_entries(iface.pluginMenu()),
    }


def look_at(label):
    def step():
        result[label] = plugin_parts()
    return step


def registry(member):
    """QgsPluginRegistry's loadCppPlugin or unloadCppPlugin with the plugin's
    file, the calls the Plugin Manager makes when its box is ticked or not."""
    def step():
        process = ctypes.CDLL(None)
        path = ctypes.create_string_buffer(16)  # a QString
        from_utf8 = process._ZN7QString15fromUtf8_helperEPKci
        from_utf8.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        name = os.environ["QUARNEL_PLUGIN"].encode()
        from_utf8(ctypes.addressof(path), name, len(name))
        instance = process._ZN17QgsPluginRegistry8instanceEv
        instance.restype = ctypes.c_void_p
        call = getattr(process, {"load": "_ZN17QgsPluginRegistry13loadCppPluginERK7QString",
                                 "unload": "_ZN17QgsPluginRegistry15unloadCppPluginERK7QString"}[member])
        call.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        call(instance(), ctypes.addressof(path))
    return step


steps += [look, click_button, switch("Off"), look_after("Off"), switch("On"), look_after("On"), look_at("panel"),
          registry("unload"), look_at("unloaded"), registry("load"), click_button, look_at("reloaded")]
QTimer.singleShot(1500, run_steps)
