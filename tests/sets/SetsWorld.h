#pragma once

#include "FakeDocument.h"
#include "FakeHost.h"
#include "QuarnelGIS_Public.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

/// The add-in's state over a fake document, for the set core's tests and,
/// with a main window on top, the windows' tests: fake desktop services, a
/// settings folder on fake drive C holding an empty set file, and the
/// application's current document, which is also the state's document, a
/// fake::standardDocument(). The world owns all of it.
class SetsWorld
{
public:
    SetsWorld();

    /// One line of a set file as the add-in writes it.
    static QByteArray record(const QByteArray &set, const QByteArray &map, const QByteArray &layer,
                             const QByteArray &visibility);

    /// Set, map and layer names that look like markup or entities, run right
    /// to left, run long or carry blanks at either end.
    static QStringList oddNames();
    /// One map per odd name, holding a visible feature layer of the same name.
    static std::shared_ptr<fake::Document> oddNamesDocument();

    QuarnelGIS_Public &state() { return *host.state; }
    /// Makes `next` the application's current document and the state's, as a click does.
    void useDocument(std::shared_ptr<fake::Document> next);

    QByteArray fileBytes() const;
    void writeFile(const QByteArray &bytes) const;
    QString filePath() const { return folder + QStringLiteral("config"); }

    /// The layer called `name` anywhere in map `mapName` of the document; throws when there is none.
    fake::LayerBase &layer(const QString &mapName, const QString &name) const;
    bool visible(const char *mapName, const char *name) const
    {
        return layer(QString::fromUtf8(mapName), QString::fromUtf8(name)).on;
    }

    /// The document's table-of-contents updates, and refresh() and
    /// partialRefresh() calls on its maps and page layout.
    int contentsUpdates() const { return document->calls.count("updateContents"); }
    int viewRefreshes() const { return viewCalls("refresh"); }
    int partialRefreshes() const { return viewCalls("partialRefresh"); }

    /// The report boxes' MODULE lines, in order.
    QStringList reportedModules() const;

    fake::FakeHost host;
    QString folder;
    std::shared_ptr<fake::Document> document;
    std::shared_ptr<fake::Application> application;

private:
    int viewCalls(const char *name) const;
};
