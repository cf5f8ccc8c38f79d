#pragma once

#include "FakeHost.h"
#include "QuarnelGIS_Public.h"
#include "frmMain.h"

#include "Application.h"
#include "Document.h"
#include "DocumentEvents.h"
#include "FeatureLayer.h"
#include "GroupElement.h"
#include "GroupLayer.h"
#include "Legend.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "RasterLayer.h"

#include <QFile>
#include <QListWidget>
#include <QObject>

#include <memory>

/// The add-in at work inside a real mapdesk document: fake desktop services,
/// a settings folder on drive C, and a document with two maps:
///   "Layers":   group "Transport" { Streets, Rails, raster Relief, group "Nested" { Deep } }, Rivers, raster Hills
///   "Overview": Streets
/// The page layout holds a map frame per map, a legend of each, a second
/// legend of "Layers" and a legend of "Layers" inside a group element.
class AddinWorld
{
public:
    AddinWorld();
    ~AddinWorld();

    static std::shared_ptr<mapdesk::Document> makeDocument();
    /// The layer called `name` anywhere in map `mapName` of `document` (nested too).
    static std::shared_ptr<mapdesk::Layer> layer(const std::shared_ptr<mapdesk::Document> &document,
                                                 const QString &mapName, const QString &name);
    std::shared_ptr<mapdesk::Layer> layer(const QString &mapName, const QString &name)
    {
        return layer(document, mapName, name);
    }

    /// Makes `next` the application's current document and the add-in's, as a click does.
    void useDocument(std::shared_ptr<mapdesk::Document> next);

    QByteArray fileBytes() const;
    void writeFile(const QByteArray &bytes) const;
    QString filePath() const { return folder + QStringLiteral("config"); }

    /// Replaces the main window by a new one over the same state, as a new start-up does.
    void newWindow();
    QuarnelGIS_Public &state() { return *host.state; }
    frmMain &window() { return *mainWindow; }
    QListWidget &list() { return *window().setList(); }
    QStringList listed();
    template <typename T> T *control(const char *name) { return window().findChild<T *>(QLatin1String(name)); }

    /// Selects the entry at `row` as a user's click does.
    void select(int row);

    /// The report boxes' MODULE lines, in order.
    QStringList reportedModules() const;

    fake::FakeHost host;
    QString folder;
    std::shared_ptr<mapdesk::Document> document;
    std::shared_ptr<mapdesk::Application> application;
    std::unique_ptr<frmMain> mainWindow;

    int contentsUpdates = 0;
    int viewRefreshes = 0;
    int partialRefreshes = 0;

private:
    void watch(const std::shared_ptr<mapdesk::Document> &watched);
};
