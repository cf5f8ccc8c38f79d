#pragma once

#include "ISetThemes.h"
#include "SetDatabaseWatch.h"
#include "SetFileWatch.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <QSet>

#include <memory>
#include <optional>
#include <vector>

class QDomDocument;
class QgsProject;

namespace quarnelqgis {

class QgisApplication;
class QgisSession;

/// The visibility sets as map themes of the QGIS project. The switch and the
/// names of the themes published are entries of the project (so that a
/// project saved with themes published is known again when it is opened);
/// the themes themselves are the project's, and stay in it when the plugin
/// is unloaded. While the switch is on, every set of the file is a theme of
/// its name showing what a click on the set would show now: the layers it
/// records as recorded (matched as a restore matches them), every other layer
/// as the canvas shows it. A theme of the person's own is never changed: a
/// set of its name is not published. The themes follow the file (its own
/// watch, whether the add-in's window is shown or not) and the project's
/// layers (added, removed, renamed, moved), a burst of changes once, and the
/// canvas: a tick in the Layers panel reaches the layers the sets do not
/// mention, worked out from the last publish for the layers whose check
/// changed only, once the ticks rest. Every call into QGIS's collection costs
/// as much as all its themes: a few themes changed go to QGIS one at a time
/// between other work, many in one go, whose document a worker thread builds
/// from values copied first, so that the interface thread only hands it over.
/// Borrows the session and the application.
class QgisSetThemes : public QObject, public ISetThemes
{
    Q_OBJECT

public:
    QgisSetThemes(QgisSession *session, std::shared_ptr<QgisApplication> application);
    ~QgisSetThemes() override;

    /// The project entries' scope.
    static QString scope();

    void setSetFile(std::function<QString()> nativePath) override;

    void setSetStore(std::function<QString()> connection) override;
    void setOnChange(std::function<void()> onChange) override;
    bool keepsSets() override;
    void setKeepsSets(bool keep) override;
    void setsChanged() override;
    /// The project's layers changed, not the sets: the themes follow them
    /// shortly.
    void layersChanged();
    QStringList withheldSets() override;
    std::vector<Theme> ownThemes() override;
    bool exportsLayouts() override;
    void exportLayouts(const QStringList &sets) override;

    /// What exportLayouts does (the plugin opens Export Layout for Each Set
    /// over QGIS's main window); none: the host cannot export layouts.
    void setLayoutExport(std::function<void(const QStringList &)> exportLayouts);

    /// Brings the themes in step with the file and the project now; nothing
    /// while the switch is off or the file is unknown.
    void publishNow();
    /// The names of the themes published from the sets.
    QStringList published() const;

private:
    struct Model;
    struct Build;
    void setPublished(const QStringList &names);
    void canvasTicked();
    void followCanvas();
    void applySlice();
    void handInOneGo(QgsProject &project, const Model &model, const QSet<QString> &ours,
                     const std::vector<std::size_t> &changed);
    std::shared_ptr<Build> copyForBuild(QgsProject &project, const Model &model, const QSet<QString> &ours,
                                        const std::vector<std::size_t> &changed) const;
    void handOver(QgsProject &project, const QDomDocument &doc, const QStringList &changed);
    void startBuild(QgsProject &project);
    void buildDone();
    /// Hands the themes due to QGIS, one by one or built in one go; false
    /// when none are due.
    bool handDue(QgsProject &project);
    void forgetModel();
    void followLayers();
    void followLayer(QObject *layer);
    void told();

    QPointer<QgisSession> m_session;
    std::shared_ptr<QgisApplication> m_application;
    std::function<QString()> m_setFile;
    std::function<QString()> m_setStore;
    /// The team's database as read last: its connection and its records as
    /// a set file's bytes.
    std::optional<std::pair<QString, QByteArray>> m_storeRead;
    bool m_storeStale = false; ///< the sets changed since m_storeRead
    std::function<void()> m_onChange;
    std::function<void(const QStringList &)> m_exportLayouts;
    QStringList m_withheld;
    SetFileWatch m_watch;
    SetDatabaseWatch m_storeWatch;
    QTimer m_settle;                                       ///< gathers a burst of changes into one publish
    QTimer m_tick;                                         ///< gathers a burst of ticks on the canvas
    QTimer m_slice;                                        ///< hands the next few themes of a tick to QGIS
    std::unique_ptr<Model> m_model;                        ///< the last publish, while the themes follow the canvas
    quint64 m_generation = 0;                              ///< counts the models forgotten
    std::shared_ptr<Build> m_building;                     ///< what the worker builds from, while it does
    QFutureWatcher<std::shared_ptr<QDomDocument>> m_build; ///< the worker's document
};

} // namespace quarnelqgis
