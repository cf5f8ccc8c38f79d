#include "DocumentLoad.h"

#include "Document.h"
#include "DocumentReader.h"
#include "Layer.h"
#include "Map.h"

#include <exception>
#include <map>
#include <mutex>
#include <tuple>

namespace mapdesk {

DocumentLoad::DocumentLoad(std::shared_ptr<Document> document, std::vector<CoordinateSystem> given,
                           const std::vector<std::pair<std::shared_ptr<Layer>, std::size_t>> &layers)
    : m_document(std::move(document)), m_maps(m_document->mapModels())
{
    auto plan = std::make_shared<Plan>();
    plan->given = std::move(given);
    plan->given.resize(m_maps.size());
    plan->sources.reserve(layers.size());
    for (const auto &[layer, map] : layers) {
        Source source;
        source.name = layer->name();
        source.map = map;
        if (const auto *raster = dynamic_cast<const RasterLayer *>(layer.get())) {
            source.raster = true;
            source.path = raster->sourcePath();
        } else if (const auto *feature = dynamic_cast<const FeatureLayer *>(layer.get())) {
            source.path = feature->sourcePath();
            source.datasetLayer = feature->datasetLayer();
        }
        plan->sources.push_back(std::move(source));
        m_layers.push_back(layer);
    }
    m_plan = std::move(plan);
    // The systems the file gives are the maps' from the start, whatever is read.
    for (std::size_t map = 0; map < m_maps.size(); ++map)
        setSystem(map, m_plan->given[map]);
}

DocumentLoad::~DocumentLoad() = default;

CoordinateSystem DocumentLoad::Plan::findSystem(std::size_t map) const
{
    if (given[map].isValid())
        return given[map];
    // The file's order is the table of contents' order within a map.
    for (const Source &source : sources) {
        if (source.map != map)
            continue;
        const CoordinateSystem system =
            source.raster ? RasterLayer::readCoordinateSystem(source.path)
                          : FeatureLayer::readCoordinateSystem(source.path, source.datasetLayer, systems.get());
        if (system.isValid())
            return system;
    }
    return {};
}

DocumentLoad::Result DocumentLoad::Plan::read(std::size_t index, const CoordinateSystem &mapSystem) const
{
    const Source &source = sources[index];
    if (source.raster)
        return RasterLayer::read(source.path, mapSystem);
    return FeatureLayer::read(source.path, source.datasetLayer, mapSystem, systems.get());
}

void DocumentLoad::setSystem(std::size_t map, const CoordinateSystem &system)
{
    m_maps[map]->takeCoordinateSystem(system);
}

void DocumentLoad::install(std::size_t item, Result result)
{
    Layer &layer = *m_layers[item];
    CoordinateSystem readInto;
    if (auto *features = std::get_if<FeatureLayer::ReadResult>(&result)) {
        readInto = features->mapSystem;
        static_cast<FeatureLayer &>(layer).install(std::move(*features));
    } else if (auto *image = std::get_if<RasterLayer::ReadResult>(&result)) {
        readInto = image->mapSystem;
        static_cast<RasterLayer &>(layer).install(std::move(*image));
    }
    // The map's system was changed while the layer was read.
    const CoordinateSystem now = m_maps[m_plan->sources[item].map]->coordinateSystem();
    if (now.wkt() != readInto.wkt() && (now.isValid() != readInto.isValid() || !now.sameAs(readInto)))
        layer.setMapCoordinateSystem(now);
}

void DocumentLoad::leaveNotLoaded(std::size_t item)
{
    Layer &layer = *m_layers[item];
    if (m_plan->sources[item].raster)
        static_cast<RasterLayer &>(layer).setNotLoaded(DocumentReader::notLoadedText());
    else
        static_cast<FeatureLayer &>(layer).setNotLoaded(DocumentReader::notLoadedText());
    layer.setMapCoordinateSystem(m_maps[m_plan->sources[item].map]->coordinateSystem());
}

namespace {

DocumentLoad::Result unreadable(const DocumentLoad::Source &source, const CoordinateSystem &system, const QString &why)
{
    const QString text = QStringLiteral("cannot read %1: %2").arg(source.path, why);
    if (source.raster) {
        RasterLayer::ReadResult result;
        result.mapSystem = system;
        result.errorText = text;
        return result;
    }
    FeatureLayer::ReadResult result;
    result.mapSystem = system;
    result.errorText = text;
    return result;
}

} // namespace

std::vector<BackgroundReads::Job> DocumentLoad::jobs(const std::shared_ptr<DocumentLoad> &load)
{
    const std::shared_ptr<const Plan> plan = load->plan();
    const std::weak_ptr<DocumentLoad> into = load;
    // Written by the first job only, read by the others once it is done.
    auto systems = std::make_shared<std::vector<CoordinateSystem>>(load->mapCount());
    std::vector<BackgroundReads::Job> jobs;
    jobs.reserve(plan->sources.size() + 1);
    jobs.emplace_back([plan, systems, into]() -> BackgroundReads::Install {
        for (std::size_t map = 0; map < systems->size(); ++map)
            (*systems)[map] = plan->findSystem(map);
        return [into, found = *systems] {
            if (const auto load = into.lock())
                for (std::size_t map = 0; map < found.size(); ++map)
                    load->setSystem(map, found[map]);
        };
    });
    // Layers of one source in one map (the same data shown twice) share one reading.
    struct SharedRead
    {
        std::once_flag once;
        Result result;
    };
    std::map<std::tuple<bool, QString, QString, std::size_t>, std::shared_ptr<SharedRead>> bySource;
    for (std::size_t item = 0; item < plan->sources.size(); ++item) {
        const Source &source = plan->sources[item];
        std::shared_ptr<SharedRead> &shared = bySource[{source.raster, source.path, source.datasetLayer, source.map}];
        if (!shared)
            shared = std::make_shared<SharedRead>();
        jobs.emplace_back([plan, systems, into, item, shared]() -> BackgroundReads::Install {
            // The first job of the source to run reads it; the others wait for it and take a copy.
            std::call_once(shared->once, [&] {
                const CoordinateSystem &system = (*systems)[plan->sources[item].map];
                try {
                    shared->result = plan->read(item, system);
                } catch (const std::exception &failure) {
                    // Such as memory running out: the layer stays without data, saying why.
                    shared->result = unreadable(plan->sources[item], system, QString::fromLocal8Bit(failure.what()));
                }
            });
            return [into, item, result = shared->result]() mutable {
                if (const auto load = into.lock())
                    load->install(item, std::move(result));
            };
        });
    }
    return jobs;
}

void DocumentLoad::readAll(const Progress &progress)
{
    std::vector<bool> found(m_maps.size(), false);
    const int total = static_cast<int>(m_layers.size());
    for (int done = 0; done < total; ++done) {
        const auto item = static_cast<std::size_t>(done);
        const Source &source = m_plan->sources[item];
        if (progress && !progress(source.name, done, total)) {
            for (std::size_t rest = item; rest < m_layers.size(); ++rest)
                leaveNotLoaded(rest);
            return;
        }
        if (!found[source.map]) {
            setSystem(source.map, m_plan->findSystem(source.map));
            found[source.map] = true;
        }
        install(item, m_plan->read(item, m_maps[source.map]->coordinateSystem()));
    }
}

} // namespace mapdesk
