#pragma once

#include "Document.h"
#include "DocumentEvents.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "Map.h"
#include "RasterLayer.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace modeltest {

inline QString samplesDir()
{
    return QStringLiteral(MAPDESK_SAMPLES_DIR);
}
inline QString sample(const QString &name)
{
    return samplesDir() + QLatin1Char('/') + name;
}

/// Records every notification of one document as a line of text, with the
/// views and objects they name.
class EventLog
{
public:
    explicit EventLog(mapdesk::DocumentEvents *events)
    {
        QObject::connect(events, &mapdesk::DocumentEvents::contentsUpdated,
                         [this] { lines << QStringLiteral("contents"); });
        QObject::connect(events, &mapdesk::DocumentEvents::viewRefreshed, [this](IView *view) {
            lines << QStringLiteral("refresh");
            views.push_back(view);
        });
        QObject::connect(events, &mapdesk::DocumentEvents::partialRefresh,
                         [this](IView *view, int phase, HostObject *data, QRectF area) {
                             lines << QStringLiteral("partial %1").arg(phase);
                             views.push_back(view);
                             lastData = data;
                             lastArea = area;
                         });
        QObject::connect(events, &mapdesk::DocumentEvents::activeViewChanged,
                         [this] { lines << QStringLiteral("activeView"); });
        QObject::connect(events, &mapdesk::DocumentEvents::focusMapChanged,
                         [this] { lines << QStringLiteral("focusMap"); });
    }

    QStringList lines;
    std::vector<IView *> views;
    HostObject *lastData = nullptr;
    QRectF lastArea;
};

/// A map built in code:
///   Roads (feature), Transport (group: Rail (feature), Paths (group: Foot, Cycle), Photo (raster)), Parks (feature)
struct SmallMap
{
    std::shared_ptr<mapdesk::Map> map = std::make_shared<mapdesk::Map>(QStringLiteral("Town"));
    std::shared_ptr<mapdesk::FeatureLayer> roads = std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Roads"));
    std::shared_ptr<mapdesk::GroupLayer> transport = std::make_shared<mapdesk::GroupLayer>(QStringLiteral("Transport"));
    std::shared_ptr<mapdesk::FeatureLayer> rail = std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Rail"));
    std::shared_ptr<mapdesk::GroupLayer> paths = std::make_shared<mapdesk::GroupLayer>(QStringLiteral("Paths"));
    std::shared_ptr<mapdesk::FeatureLayer> foot = std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Foot"));
    std::shared_ptr<mapdesk::FeatureLayer> cycle = std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Cycle"));
    std::shared_ptr<mapdesk::RasterLayer> photo = std::make_shared<mapdesk::RasterLayer>(QStringLiteral("Photo"));
    std::shared_ptr<mapdesk::FeatureLayer> parks = std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Parks"));

    SmallMap()
    {
        paths->addLayer(foot);
        paths->addLayer(cycle);
        transport->addLayer(rail);
        transport->addLayer(paths);
        transport->addLayer(photo);
        map->addLayer(roads);
        map->addLayer(transport);
        map->addLayer(parks);
    }
};

/// Names of layers, for comparing lists.
template <typename Layers> QStringList names(const Layers &layers)
{
    QStringList result;
    for (const auto &layer : layers)
        result << layer->name();
    return result;
}

} // namespace modeltest
