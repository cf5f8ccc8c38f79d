#include "FakeDocument.h"

#include <functional>
#include <stdexcept>
#include <utility>

namespace fake {

namespace {

std::shared_ptr<ILayer> makeLayer(const Entry &entry)
{
    if (entry.kind == Entry::Raster)
        return std::make_shared<RasterLayer>(entry.name, entry.on);
    if (entry.kind == Entry::Feature)
        return std::make_shared<Layer>(entry.name, entry.on);
    auto group = std::make_shared<GroupLayer>(entry.name, entry.on);
    for (const Entry &member : entry.members)
        group->members.push_back(makeLayer(member));
    return group;
}

} // namespace

void Calls::add(std::initializer_list<const char *> names)
{
    for (const char *name : names)
        m_counts.insert(QLatin1String(name), 0);
}

QString Calls::known(const char *name) const
{
    const QString key = QLatin1String(name);
    if (!m_counts.contains(key))
        throw std::logic_error(std::string("This fake has no call ") + name);
    return key;
}

int Calls::count(const char *name) const
{
    return m_counts.value(known(name));
}

void Calls::fail(const char *name, int index)
{
    m_faults.insert(known(name), index);
}

void Calls::madeAt(const char *name, int index)
{
    const QString key = known(name);
    ++m_counts[key];
    const QList<int> armed = m_faults.values(key);
    if (armed.contains(Every) || armed.contains(index))
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("%1 failed at %2").arg(key).arg(index));
}

void Calls::checkIndex(std::int32_t index, std::size_t size)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        throw HostError(HostError::E_FAIL_NUMBER,
                        QStringLiteral("No item at index %1 (there are %2)").arg(index).arg(size));
}

void LayerBase::setVisible(bool visible)
{
    calls.made("setVisible");
    setVisibleCalls.push_back(visible);
    on = visible;
}

void View::partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area)
{
    calls.made("partialRefresh");
    partialRefreshes.push_back({phase, std::move(data), std::move(area)});
}

void Surround::fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed)
{
    calls.made("fitToBounds");
    fits.push_back({std::move(display), std::move(bounds)});
    changed = true;
}

std::shared_ptr<IMap> PageLayout::focusMap()
{
    const auto owner = document.lock();
    return calls.answer("focusMap", owner ? owner->focus : nullptr);
}

std::shared_ptr<IElement> PageLayout::next()
{
    calls.madeAt("next", static_cast<int>(cursor));
    return cursor < elements.size() ? elements[cursor++] : nullptr;
}

std::shared_ptr<Legend> PageLayout::legend(std::size_t n) const
{
    std::vector<std::shared_ptr<Legend>> found;
    std::function<void(const std::vector<std::shared_ptr<IElement>> &)> collect = [&](const auto &items) {
        for (const auto &element : items) {
            if (const auto group = std::dynamic_pointer_cast<GroupElement>(element))
                collect(group->members);
            else if (const auto frame = std::dynamic_pointer_cast<SurroundFrame>(element))
                if (const auto legend = std::dynamic_pointer_cast<Legend>(frame->surround))
                    found.push_back(legend);
        }
    };
    collect(elements);
    return n < found.size() ? found[n] : nullptr;
}

std::shared_ptr<Document> Document::create()
{
    auto document = std::make_shared<Document>();
    document->layout->document = document;
    return document;
}

std::shared_ptr<IView> Document::activeView()
{
    calls.made("activeView");
    return layoutActive ? std::shared_ptr<IView>(layout) : std::dynamic_pointer_cast<IView>(focus);
}

std::shared_ptr<Map> Document::map(const QString &name) const
{
    for (const auto &item : mapList->items)
        if (const auto found = std::dynamic_pointer_cast<Map>(item); found && found->title == name)
            return found;
    return nullptr;
}

std::shared_ptr<LayerBase> Document::layer(const QString &mapName, const QString &name) const
{
    std::function<std::shared_ptr<LayerBase>(const std::vector<std::shared_ptr<ILayer>> &)> find =
        [&](const auto &layers) -> std::shared_ptr<LayerBase> {
        for (const auto &candidate : layers) {
            if (const auto found = std::dynamic_pointer_cast<LayerBase>(candidate); found && found->title == name)
                return found;
            if (const auto group = std::dynamic_pointer_cast<GroupLayer>(candidate))
                if (auto found = find(group->members))
                    return found;
        }
        return nullptr;
    };
    const auto owner = map(mapName);
    return owner ? find(owner->layers) : nullptr;
}

Entry raster(QString name)
{
    Entry entry(std::move(name));
    entry.kind = Entry::Raster;
    return entry;
}

Entry group(QString name, std::vector<Entry> members)
{
    Entry entry(std::move(name));
    entry.kind = Entry::Group;
    entry.members = std::move(members);
    return entry;
}

Entry hidden(Entry entry)
{
    entry.on = false;
    return entry;
}

DocumentBuilder &DocumentBuilder::map(QString name)
{
    m_maps.emplace_back(std::move(name), std::vector<Entry>{});
    return *this;
}

DocumentBuilder &DocumentBuilder::layer(Entry entry)
{
    if (m_maps.empty())
        throw std::logic_error("A layer needs a map() before it");
    m_maps.back().second.push_back(std::move(entry));
    return *this;
}

DocumentBuilder &DocumentBuilder::surround(Kind kind, QString mapName)
{
    m_surrounds.emplace_back(kind, std::move(mapName));
    return *this;
}

std::shared_ptr<Document> DocumentBuilder::build() const
{
    auto document = Document::create();
    auto &page = document->layout->elements;
    QHash<QString, std::shared_ptr<MapFrame>> frames;
    for (const auto &[name, entries] : m_maps) {
        auto map = std::make_shared<Map>(name);
        for (const Entry &entry : entries)
            map->layers.push_back(makeLayer(entry));
        document->mapList->items.push_back(map);
        auto frame = std::make_shared<MapFrame>(map);
        page.push_back(frame);
        if (!frames.contains(name))
            frames.insert(name, frame);
    }
    for (const auto &[kind, mapName] : m_surrounds) {
        if (!frames.contains(mapName))
            throw std::invalid_argument("A surround of a map the document lacks: " + mapName.toStdString());
        auto surround = kind == Kind::NorthArrow ? std::make_shared<Surround>() : std::make_shared<fake::Legend>();
        auto element = std::make_shared<SurroundFrame>(frames.value(mapName), surround);
        if (kind == Kind::GroupedLegend) {
            auto group = std::make_shared<GroupElement>();
            group->members.push_back(element);
            page.push_back(group);
        } else {
            page.push_back(element);
        }
    }
    if (!m_maps.empty())
        document->focus = document->mapList->items.front();
    return document;
}

void Document::updateContents()
{
    calls.made("updateContents");
    const auto listeners = visibilityListeners;
    for (const auto &listener : listeners)
        if (const auto onChange = listener.lock())
            (*onChange)();
}

std::shared_ptr<void> Document::subscribeVisibility(std::function<void()> onChange)
{
    auto kept = std::make_shared<std::function<void()>>(std::move(onChange));
    visibilityListeners.push_back(kept);
    return kept;
}

std::shared_ptr<Document> standardDocument()
{
    return DocumentBuilder()
        .map(QStringLiteral("Layers"))
        .group(QStringLiteral("Transport"), {"Streets", hidden("Rails"), raster(QStringLiteral("Relief")),
                                             group(QStringLiteral("Nested"), {"Deep"})})
        .layer("Rivers")
        .raster(QStringLiteral("Hills"))
        .map(QStringLiteral("Overview"))
        .layer("Streets")
        .withLegendOf(QStringLiteral("Layers"))
        .withLegendOf(QStringLiteral("Overview"))
        .withLegendOf(QStringLiteral("Layers"))
        .withGroupedLegendOf(QStringLiteral("Layers"))
        .build();
}

std::shared_ptr<Document> generatedDocument(int maps, int layers, int groupSize)
{
    DocumentBuilder builder;
    for (int m = 1; m <= maps; ++m) {
        const QString mapName = QStringLiteral("Map %1").arg(m);
        builder.map(mapName).withLegendOf(mapName);
        std::vector<Entry> pending;
        for (int l = 1; l <= layers; ++l) {
            Entry entry(QStringLiteral("Layer %1").arg(l));
            if (groupSize <= 0) {
                builder.layer(std::move(entry));
                continue;
            }
            pending.push_back(std::move(entry));
            if (static_cast<int>(pending.size()) == groupSize || l == layers)
                builder.group(QStringLiteral("Group %1").arg((l - 1) / groupSize + 1), std::exchange(pending, {}));
        }
    }
    return builder.build();
}

} // namespace fake
