#pragma once

#include "QgisHost.h"
#include "QgisSetSource.h"

#include <qgsproject.h>

#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

class QgsLayoutItemMap;
class QgsPrintLayout;

/// A project as a person keeps it, for exporting its layout for each set:
/// "roads" and "lakes" at the top, an exclusive group "Base" ("streets"
/// shown, "aerial"), a group "Detail" with two hidden layers both named
/// "rivers", a group "Switched off" whose layer "wells" is checked but not
/// shown, each layer a point of its own; a print layout "Page" with a map
/// that shows the canvas's layers and a map that follows the theme "Fixed";
/// the set file on a drive in a temporary folder.
struct QgisExportWorld
{
    QgisExportWorld();
    ~QgisExportWorld();

    /// Appends set `name` with these layers shown or hidden to the set file.
    void saveSet(const QString &name, const std::vector<std::pair<const char *, bool>> &layers);
    /// The check state of every node of the layer tree, in tree order.
    std::vector<std::pair<QString, bool>> checks() const;
    /// The layout exported by QGIS itself as a PNG.
    QImage exportedByQgis() const;

    QTemporaryDir drive;
    QgsProject project;
    QgsPrintLayout *layout = nullptr;
    QgsLayoutItemMap *map = nullptr;      ///< follows the canvas
    QgsLayoutItemMap *themeMap = nullptr; ///< follows "Fixed"
    std::unique_ptr<quarnelqgis::QgisHost> host;
    std::unique_ptr<quarnelqgis::QgisSetSource> sets;
};
