"""Run inside QGIS (--code): presses the plugin's button, then "Off" and
"On" in the add-in's window, writes what the Layers panel and the canvas
show after each to $QUARNEL_RESULT; saves two sets, keeps them as map
themes from the set list's menu, looks at a theme and at a print layout's
map following it, and exports the layout once for each set from the same
menu into $QUARNEL_EXPORT; looks at the add-in's panel, unloads the plugin
as the Plugin Manager does and loads it again ($QUARNEL_PLUGIN), looking at
what stays after each, and quits QGIS."""
import ctypes
import json
import os

from qgis.core import QgsApplication, QgsProject
from qgis.PyQt.QtCore import QTimer
from qgis.PyQt.QtWidgets import (QApplication, QComboBox, QDialog, QDockWidget, QLineEdit, QListWidget, QMenu,
                                 QMessageBox, QPushButton, QToolBar)
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
            if button.text().replace("&", "").strip() == text and button.isVisible():
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
        # A step that returns False is not done yet and runs again.
        step = steps.pop(0)
        try:
            if step() is False:
                steps.insert(0, step)
        except Exception as failure:  # the run goes on to its end, and fails there
            result.setdefault("faults", []).append(f"{step.__name__}: {failure!r}")
        QTimer.singleShot(300, run_steps)
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
EXPORT_ITEM = "Export Layout for Each Set..."


def set_list():
    lists = [w for w in iface.mainWindow().findChildren(QListWidget, "lstbx1") if w.isVisible()]
    return lists[0] if lists else None


def list_item(text):
    found = set_list()
    for action in (found.actions() if found else []):
        if action.text() == text:
            return action
    return None


def save_set(name):
    """Save, the name typed into the window that asks for it, OK."""
    def step():
        press("Save")
        for window in QApplication.topLevelWidgets():
            for edit in window.findChildren(QLineEdit, "txt1"):
                if not edit.isVisible():
                    continue
                edit.setText(name)
                holder = edit.parentWidget()
                while holder and not holder.findChild(QPushButton, "Command1"):
                    holder = holder.parentWidget()
                holder.findChild(QPushButton, "Command1").click()
                return
        result.setdefault("faults", []).append(f"no name asked for {name}")
    return step


def keep_themes():
    list_item("Keep Sets as Map Themes").trigger()


def look_at_themes():
    """Once the themes are there: which layers the theme "Dark" shows, and
    which a print layout's map following it draws."""
    project = QgsProject.instance()
    themes = project.mapThemeCollection()
    if not themes.hasMapTheme("Dark"):
        return False
    layout = project.layoutManager().layoutByName("Page")
    frame = [item for item in layout.items() if item.__class__.__name__ == "QgsLayoutItemMap"][0]
    frame.setFollowVisibilityPreset(True)
    frame.setFollowVisibilityPresetName("Dark")
    result["themes"] = {
        "names": sorted(themes.mapThemes()),
        "Dark shows": sorted(layer.name() for layer in themes.mapThemeVisibleLayers("Dark")),
        "layout map following Dark draws": sorted(layer.name() for layer in frame.layersToRender()),
    }
    frame.setFollowVisibilityPreset(False)


def open_export():
    set_list().selectAll()
    # The window is modal: the next steps run while it is open.
    QTimer.singleShot(0, list_item(EXPORT_ITEM).trigger)


def export_dialog():
    for widget in QApplication.topLevelWidgets():
        if isinstance(widget, QDialog) and widget.objectName() == "QgisLayoutExportDialog" and widget.isVisible():
            return widget
    return None


def start_export():
    dialog = export_dialog()
    if not dialog:
        return False
    dialog.findChild(QLineEdit, "folderEdit").setText(os.environ["QUARNEL_EXPORT"])
    dialog.findChild(QComboBox, "formatCombo").setCurrentIndex(2)  # SVG: the quickest
    button = [b for b in dialog.findChildren(QPushButton) if b.text().replace("&", "") == "Export"][0]
    QTimer.singleShot(0, button.click)


def finish_export():
    """Once the export tells what it came to: closes that and the window."""
    box = QApplication.activeModalWidget()
    if not isinstance(box, QMessageBox):
        return False
    result["export"] = {"told": box.text(), "files": sorted(os.listdir(os.environ["QUARNEL_EXPORT"]))}
    box.accept()
    QTimer.singleShot(0, export_dialog().reject)


def plugin_parts():
    """The add-in's panels, their entries under View > Panels, its toolbars
    and its entries in the Plugins menu."""
    window = iface.mainWindow()
    panels = window.findChildren(QDockWidget, PANEL)
    titles = {panel.windowTitle() for panel in panels} or {"QuarnelVisibility"}
    view_panels = window.findChild(QMenu, "mPanelMenu")
    view_panels.aboutToShow.emit()
    provider = QgsApplication.processingRegistry().providerById("quarnelvisibility")

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
        "export entries": 1 if list_item(EXPORT_ITEM) else 0,
        "Processing algorithms": sorted(a.name() for a in (provider.algorithms() if provider else [])),
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


steps += [look, click_button, switch("Off"), look_after("Off"), save_set("Dark"), switch("On"), look_after("On"),
          save_set("Bright"), keep_themes, look_at_themes, open_export, start_export, finish_export, look_at("panel"),
          registry("unload"), look_at("unloaded"), registry("load"), click_button, look_at("reloaded")]
QTimer.singleShot(1500, run_steps)
