"""Writes a small QGIS project over the sample data: three layers, a group
with one more, a raster, and a print layout with a legend.
Usage: make_project.py DATA_DIR PROJECT_FILE"""
import sys

from qgis.core import (QgsApplication, QgsCoordinateReferenceSystem, QgsLayoutItemLegend, QgsLayoutItemMap,
                       QgsPrintLayout, QgsProject, QgsRasterLayer, QgsVectorLayer)

app = QgsApplication([], False)
app.initQgis()
data, target = sys.argv[1], sys.argv[2]
project = QgsProject.instance()
project.setCrs(QgsCoordinateReferenceSystem("EPSG:27700"))
root = project.layerTreeRoot()


def add(group, layer):
    project.addMapLayer(layer, False)
    group.addLayer(layer)


for name in ["roads", "parks", "buildings"]:
    add(root, QgsVectorLayer(f"{data}/{name}.geojson", name, "ogr"))
add(root.addGroup("Water"), QgsVectorLayer(f"{data}/rivers.geojson", "rivers", "ogr"))
add(root, QgsRasterLayer(f"{data}/elevation.tif", "elevation"))
layout = QgsPrintLayout(project)
layout.initializeDefaults()
layout.setName("Page")
project.layoutManager().addLayout(layout)
frame = QgsLayoutItemMap(layout)
layout.addLayoutItem(frame)
legend = QgsLayoutItemLegend(layout)
legend.setLinkedMap(frame)
layout.addLayoutItem(legend)
sys.exit(0 if project.write(target) else 1)
