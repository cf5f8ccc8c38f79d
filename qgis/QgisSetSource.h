#pragma once

#include "QuarnelGIS_Public.h"
#include "SetStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class HostServices;
class QgsMapLayer;
class QgsProject;

namespace quarnelqgis {

/// The sets of the shared set file seen against a QGIS project without
/// changing it: which layers a set would show on the canvas, as a click in the
/// add-in's window would show them, worked out on a copy of the layer tree so
/// that the canvas, the Layers panel, the project and its undo history stay as
/// they are. Owns its state record (channel 1 over the host's services);
/// borrows the project, which must outlive it.
class QgisSetSource
{
public:
    /// Over the set file the add-in uses: the settings folder on the first
    /// drive of `services` that has a Program Files folder. Unlike the
    /// add-in's start-up it creates nothing and shows no box; a missing
    /// folder shows as a failure of the first read.
    QgisSetSource(std::shared_ptr<HostServices> services, QgsProject *project);
    /// Over the set file at `setFilePath` (Windows-shaped, through the drive
    /// table of `services`).
    QgisSetSource(std::shared_ptr<HostServices> services, QgsProject *project, const QString &setFilePath);
    ~QgisSetSource();
    QgisSetSource(const QgisSetSource &) = delete;
    QgisSetSource &operator=(const QgisSetSource &) = delete;

    QgsProject *project() const { return m_project; }
    QuarnelGIS_Public &state() { return m_state; }

    /// Makes the folder of the set file where it is missing, as the add-in
    /// does at start-up, so that a set can be saved. False when it cannot.
    bool makeFolder();

    /// The set names of the file, in file order. Throws HostError when the
    /// file cannot be read.
    QStringList names();

    /// The layers set `setName` shows: the project's layers in drawing order
    /// (the layer tree's order, or its custom order) that would be visible on
    /// the canvas after restoring the set with `how`; every layer the set does
    /// not mention counts as it shows now. `found` tells whether the file has
    /// such a set. Throws HostError when the file cannot be read.
    QList<QgsMapLayer *> layersShown(const QString &setName, SetStore::Restore how, bool *found = nullptr);

private:
    QuarnelGIS_Public m_state;
    QgsProject *m_project;
};

} // namespace quarnelqgis
