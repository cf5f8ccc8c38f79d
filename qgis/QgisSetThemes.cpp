#include "QgisSetThemes.h"

#include "IDocument.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "QgisApplication.h"
#include "QgisLayer.h"
#include "QgisSession.h"
#include "SetDatabase.h"
#include "SetPreview.h"

#include <qgslayertree.h>
#include <qgslayertreegroup.h>
#include <qgslayertreelayer.h>
#include <qgsmaplayer.h>
#include <qgsmaplayerstylemanager.h>
#include <qgsmapthemecollection.h>
#include <qgsproject.h>

#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <deque>

namespace quarnelqgis {

namespace {
const QString kKeep = QStringLiteral("/keepSetsAsThemes");
const QString kPublished = QStringLiteral("/publishedThemes");
constexpr int settleMilliseconds = 200;
/// Ticks with rests shorter than this between them (a person ticking
/// several layers in a row) are followed once.
constexpr int tickMilliseconds = 300;
/// A slice of a tick's themes stops handing themes to QGIS after this long.
constexpr int sliceMilliseconds = 6;
/// Up to this many themes changed by a publish go to QGIS one by one; more
/// go in one go (every call into QGIS's collection costs as much as its
/// whole content).
constexpr int fewThemes = 8;

/// The project's layer tree as the canvas shows it, walked once for all the
/// themes of a publish or a tick.
struct CanvasState
{
    struct Layer
    {
        const QgsLayerTreeNode *node;
        QgsMapLayer *layer;
        bool checked;     ///< the node's own check box
        bool groupsShown; ///< every group above it is checked
    };
    std::vector<Layer> layers;
    QHash<const QgsLayerTreeNode *, int> indexOf;
    QSet<QString> checkedGroups; ///< as QGIS names groups: the "/"-joined names from the root

    explicit CanvasState(QgsLayerTreeGroup *root) { walk(root, QString(), true); }

    /// Whether layer `i` shows with its own check box `checked`.
    bool showsWith(std::size_t i, bool checked) const { return checked && layers[i].groupsShown && layers[i].layer; }
    /// Whether `other` holds the same layer nodes in the same order.
    bool sameLayersAs(const CanvasState &other) const
    {
        if (layers.size() != other.layers.size())
            return false;
        for (std::size_t i = 0; i < layers.size(); ++i)
            if (layers[i].node != other.layers[i].node || layers[i].layer != other.layers[i].layer)
                return false;
        return true;
    }

    void walk(QgsLayerTreeGroup *group, const QString &path, bool shown)
    {
        for (QgsLayerTreeNode *node : group->children()) {
            if (QgsLayerTree::isGroup(node)) {
                const QString id = path.isEmpty() ? node->name() : path + QLatin1Char('/') + node->name();
                const bool checked = node->itemVisibilityChecked();
                if (checked)
                    checkedGroups.insert(id);
                walk(QgsLayerTree::toGroup(node), id, shown && checked);
            } else if (QgsLayerTree::isLayer(node)) {
                indexOf.insert(node, int(layers.size()));
                layers.push_back({node, QgsLayerTree::toLayer(node)->layer(), node->itemVisibilityChecked(), shown});
            }
        }
    }
};

using LayerRecord = QgsMapThemeCollection::MapThemeLayerRecord;
using ThemeRecord = QgsMapThemeCollection::MapThemeRecord;

/// Whether `record` holds just `shown` as plain visible layers (in any order:
/// QGIS keeps no order of its own), and `groups` as its checked groups.
bool holds(const ThemeRecord &record, std::vector<const QgsMapLayer *> shown, const QSet<QString> &groups)
{
    if (!record.hasCheckedStateInfo() || record.hasExpandedStateInfo() || record.checkedGroupNodes() != groups)
        return false;
    const QList<LayerRecord> layers = record.layerRecords();
    if (std::size_t(layers.size()) != shown.size())
        return false;
    std::vector<const QgsMapLayer *> held;
    held.reserve(shown.size());
    for (const LayerRecord &layer : layers) {
        if (!layer.isVisible || layer.usingCurrentStyle || layer.usingLegendItems)
            return false;
        held.push_back(layer.layer());
    }
    std::sort(held.begin(), held.end());
    std::sort(shown.begin(), shown.end());
    return held == shown;
}

/// QGIS's collection connects once more to every layer of every theme on
/// each change (3.22 never drops the earlier connections); without this, a
/// thousand themes kept in step would pile up millions of connections.
/// Drops them all, before a change connects each layer again.
void dropStyleConnections(QgsProject &project)
{
    QgsMapThemeCollection *themes = project.mapThemeCollection();
    const QMap<QString, QgsMapLayer *> layers = project.mapLayers();
    for (QgsMapLayer *layer : layers)
        QObject::disconnect(layer->styleManager(), &QgsMapLayerStyleManager::styleRenamed, themes, nullptr);
}

/// The person's themes (those not named in `ours`) as QGIS writes them, from a
/// collection of their own: writing the project's collection would cost as
/// much as all the themes published.
QString ownThemesXml(QgsProject &project, const QSet<QString> &ours)
{
    QgsMapThemeCollection *themes = project.mapThemeCollection();
    QgsMapThemeCollection own(&project);
    for (const QString &name : themes->mapThemes())
        if (!ours.contains(name))
            own.insert(name, themes->mapThemeState(name));
    QDomDocument doc;
    doc.appendChild(doc.createElement(QStringLiteral("qgis")));
    own.writeXml(doc);
    return doc.toString(-1);
}
} // namespace

/// What the document QgsMapThemeCollection::readXml reads is built from:
/// values copied on the interface thread, so that a worker thread can build
/// it while QGIS goes on.
struct QgisSetThemes::Build
{
    QString ownXml;           ///< the person's themes, as ownThemesXml writes them
    std::vector<QString> ids; ///< canvas index -> layer id
    struct Theme
    {
        QString name;
        std::vector<int> shown; ///< canvas indices
    };
    std::vector<Theme> themes;
    QSet<QString> checkedGroups;
    QStringList changed;            ///< the themes whose listeners are told
    quint64 generation = 0;         ///< of the model it was copied from
    bool collectionChanged = false; ///< QGIS's collection changed while it was built

    /// The person's themes and these, as readXml reads them.
    QDomDocument document() const
    {
        QDomDocument doc;
        doc.setContent(ownXml);
        if (doc.documentElement().isNull())
            doc.appendChild(doc.createElement(QStringLiteral("qgis")));
        QDomElement all = doc.documentElement().firstChildElement(QStringLiteral("visibility-presets"));
        if (all.isNull())
            all =
                doc.documentElement().appendChild(doc.createElement(QStringLiteral("visibility-presets"))).toElement();
        for (const Theme &each : themes) {
            QDomElement theme = doc.createElement(QStringLiteral("visibility-preset"));
            theme.setAttribute(QStringLiteral("name"), each.name);
            theme.setAttribute(QStringLiteral("has-checked-group-info"), QStringLiteral("1"));
            for (int i : each.shown) {
                QDomElement layer = doc.createElement(QStringLiteral("layer"));
                layer.setAttribute(QStringLiteral("id"), ids[std::size_t(i)]);
                layer.setAttribute(QStringLiteral("visible"), QStringLiteral("1"));
                theme.appendChild(layer);
            }
            QDomElement checked = doc.createElement(QStringLiteral("checked-group-nodes"));
            for (const QString &group : checkedGroups) {
                QDomElement node = doc.createElement(QStringLiteral("checked-group-node"));
                node.setAttribute(QStringLiteral("id"), group);
                checked.appendChild(node);
            }
            theme.appendChild(checked);
            all.appendChild(theme);
        }
        return doc;
    }
};

/// What the last publish worked out, kept to follow the canvas's ticks:
/// the canvas as then, and for each theme published the layers its set
/// mentions and the layers it shows.
struct QgisSetThemes::Model
{
    struct Theme
    {
        QString name;
        QHash<int, bool> mentions; ///< canvas index -> the set's flag
        std::vector<int> shown;    ///< canvas indices, ascending
        bool due = false;          ///< changed, not yet handed to QGIS
    };
    CanvasState canvas;
    std::vector<Theme> themes;
    std::deque<std::size_t> due; ///< themes changed by ticks, in order

    std::vector<const QgsMapLayer *> layersOf(const Theme &theme) const
    {
        std::vector<const QgsMapLayer *> layers;
        layers.reserve(theme.shown.size());
        for (int i : theme.shown)
            layers.push_back(canvas.layers[std::size_t(i)].layer);
        return layers;
    }
    ThemeRecord recordOf(const Theme &theme) const
    {
        QList<LayerRecord> records;
        records.reserve(int(theme.shown.size()));
        for (int i : theme.shown)
            records.append(LayerRecord(canvas.layers[std::size_t(i)].layer));
        ThemeRecord record;
        record.setLayerRecords(records);
        record.setHasCheckedStateInfo(true);
        record.setCheckedGroupNodes(canvas.checkedGroups);
        return record;
    }
};

QgisSetThemes::QgisSetThemes(QgisSession *session, std::shared_ptr<QgisApplication> application)
    : m_session(session), m_application(std::move(application))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &QgisSetThemes::publishNow);
    m_tick.setSingleShot(true);
    m_tick.setInterval(tickMilliseconds);
    connect(&m_tick, &QTimer::timeout, this, &QgisSetThemes::followCanvas);
    m_slice.setSingleShot(true);
    m_slice.setInterval(0);
    connect(&m_slice, &QTimer::timeout, this, &QgisSetThemes::applySlice);
    connect(&m_watch, &SetFileWatch::changed, this, &QgisSetThemes::setsChanged);
    connect(&m_storeWatch, &SetDatabaseWatch::changed, this, &QgisSetThemes::setsChanged);
    connect(&m_build, &QFutureWatcher<std::shared_ptr<QDomDocument>>::finished, this, &QgisSetThemes::buildDone);
    if (!m_session)
        return;
    // Another project: its own switch, its own themes and layers.
    connect(m_session, &QgisSession::projectSwitched, this, [this] {
        m_withheld.clear();
        forgetModel();
        followLayers();
        setsChanged();
        told();
    });
    if (QgsProject *project = m_session->project()) {
        connect(project, &QgsProject::layersAdded, this, [this](const QList<QgsMapLayer *> &layers) {
            for (QgsMapLayer *layer : layers)
                followLayer(layer);
            layersChanged();
        });
        connect(project, &QgsProject::layersRemoved, this, &QgisSetThemes::layersChanged);
        // A layer moved into or out of a group is matched otherwise.
        QgsLayerTree *root = project->layerTreeRoot();
        connect(root, &QgsLayerTreeNode::addedChildren, this, &QgisSetThemes::layersChanged);
        connect(root, &QgsLayerTreeNode::removedChildren, this, &QgisSetThemes::layersChanged);
        // A check box of any node below the root.
        connect(root, &QgsLayerTreeNode::visibilityChanged, this, &QgisSetThemes::canvasTicked);
        // The person's themes changed while a document was built without them.
        connect(project->mapThemeCollection(), &QgsMapThemeCollection::mapThemesChanged, this, [this] {
            if (m_building)
                m_building->collectionChanged = true;
        });
    }
    followLayers();
}

QgisSetThemes::~QgisSetThemes()
{
    m_build.waitForFinished();
}

QString QgisSetThemes::scope()
{
    return QStringLiteral("QuarnelVisibility");
}

void QgisSetThemes::followLayers()
{
    if (QgsProject *project = m_session ? m_session->project() : nullptr) {
        const QMap<QString, QgsMapLayer *> layers = project->mapLayers();
        for (QgsMapLayer *layer : layers)
            followLayer(layer);
    }
}

void QgisSetThemes::followLayer(QObject *layer)
{
    connect(qobject_cast<QgsMapLayer *>(layer), &QgsMapLayer::nameChanged, this, &QgisSetThemes::layersChanged,
            Qt::UniqueConnection);
}

void QgisSetThemes::setSetFile(std::function<QString()> nativePath)
{
    m_setFile = std::move(nativePath);
}

void QgisSetThemes::setSetStore(std::function<QString()> connection)
{
    m_setStore = std::move(connection);
}

void QgisSetThemes::setOnChange(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
}

bool QgisSetThemes::exportsLayouts()
{
    return bool(m_exportLayouts);
}

void QgisSetThemes::exportLayouts(const QStringList &sets)
{
    if (m_exportLayouts)
        m_exportLayouts(sets);
}

void QgisSetThemes::setLayoutExport(std::function<void(const QStringList &)> exportLayouts)
{
    m_exportLayouts = std::move(exportLayouts);
}

void QgisSetThemes::told()
{
    if (m_onChange)
        m_onChange();
}

bool QgisSetThemes::keepsSets()
{
    QgsProject *project = m_session ? m_session->project() : nullptr;
    return project && project->readBoolEntry(scope(), kKeep, false);
}

void QgisSetThemes::setKeepsSets(bool keep)
{
    QgsProject *project = m_session ? m_session->project() : nullptr;
    if (!project || keep == keepsSets())
        return;
    project->writeEntry(scope(), kKeep, keep);
    if (keep) {
        publishNow();
        return;
    }
    m_settle.stop();
    m_watch.stop();
    m_storeWatch.stop();
    m_storeRead.reset();
    forgetModel();
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    QStringList gone;
    for (const QString &name : published())
        if (themes->hasMapTheme(name))
            gone << name;
    // As a publish hands them over: each removal costs the whole collection.
    if (gone.size() > fewThemes) {
        handInOneGo(*project, Model{CanvasState(project->layerTreeRoot()), {}, {}},
                    QSet<QString>(gone.begin(), gone.end()), {});
    } else if (!gone.isEmpty()) {
        dropStyleConnections(*project);
        for (const QString &name : gone)
            themes->removeMapTheme(name);
    }
    setPublished({});
    m_withheld.clear();
    told();
}

void QgisSetThemes::setsChanged()
{
    m_storeStale = true;
    layersChanged();
}

void QgisSetThemes::layersChanged()
{
    if (!keepsSets())
        return;
    // The layers may be others now: what the ticks would hand over waits
    // for the publish, which works everything out again.
    forgetModel();
    m_settle.start();
}

void QgisSetThemes::forgetModel()
{
    m_tick.stop();
    m_slice.stop();
    m_model.reset();
    // A document being built is of the model forgotten.
    ++m_generation;
    m_building.reset();
}

QStringList QgisSetThemes::withheldSets()
{
    return m_withheld;
}

QStringList QgisSetThemes::published() const
{
    QgsProject *project = m_session ? m_session->project() : nullptr;
    return project ? project->readListEntry(scope(), kPublished) : QStringList();
}

void QgisSetThemes::setPublished(const QStringList &names)
{
    if (QgsProject *project = m_session ? m_session->project() : nullptr) {
        if (names.isEmpty())
            project->removeEntry(scope(), kPublished);
        else if (names != published())
            project->writeEntry(scope(), kPublished, names);
    }
}

void QgisSetThemes::publishNow()
{
    m_settle.stop();
    forgetModel();
    QgsProject *project = m_session ? m_session->project() : nullptr;
    const QString store = m_setStore ? m_setStore() : QString();
    const QString path = m_setFile ? m_setFile() : QString();
    if (!project || !keepsSets() || (path.isEmpty() && store.isEmpty()))
        return;
    QByteArray bytes;
    if (!store.isEmpty()) {
        // The team's database tells of its changes; one that cannot be
        // reached now changes nothing.
        m_watch.stop();
        m_storeWatch.follow(store);
        // Read again only after the sets changed: a change of the layers
        // alone publishes from what was read, and waits for no server.
        if (m_storeRead && m_storeRead->first != store)
            m_storeRead.reset();
        if (!m_storeRead || m_storeStale) {
            // A store that cannot be read now leaves the sets as read last
            // (nothing, if never): the watch tells when it is back.
            m_storeStale = false;
            try {
                SetDatabase database(store);
                qsizetype records = 0;
                m_storeRead.emplace(store, database.exportSets(database.names(), records));
            } catch (...) {
                if (!m_storeRead)
                    return;
            }
        }
        bytes = m_storeRead->second;
    } else {
        m_storeWatch.stop();
        m_storeRead.reset();
        m_watch.follow(path);
        // A missing file holds no sets (Clear All may delete it); one that
        // cannot be read now changes nothing.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        else if (QFileInfo::exists(path))
            return;
    }

    const std::shared_ptr<IDocument> document = m_application->document();
    const SetPreview preview(bytes, *document);
    auto model = std::make_unique<Model>(Model{CanvasState(project->layerTreeRoot()), {}, {}});
    const CanvasState &canvas = model->canvas;
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    const QStringList before = published();
    const QSet<QString> ours(before.begin(), before.end());

    std::vector<int> canvasShown;
    for (std::size_t i = 0; i < canvas.layers.size(); ++i)
        if (canvas.showsWith(i, canvas.layers[i].checked))
            canvasShown.push_back(int(i));
    QStringList now;
    m_withheld.clear();
    std::vector<std::size_t> changed; // themes of the model
    // The layer behind each layer object of the index, looked up once.
    QHash<ILayer *, int> nodeOf;
    for (const SetPreview::Set &set : preview.sets()) {
        if (themes->hasMapTheme(set.name) && !ours.contains(set.name)) {
            m_withheld << set.name;
            continue;
        }
        now << set.name;
        Model::Theme theme{set.name, {}, {}};
        for (const SetPreview::Switch &each : set.switches) {
            auto found = nodeOf.constFind(each.layer);
            if (found == nodeOf.constEnd()) {
                const auto *layer = dynamic_cast<const QgisLayer *>(each.layer);
                found = nodeOf.insert(each.layer, layer ? canvas.indexOf.value(layer->node(), -1) : -1);
            }
            if (*found >= 0)
                theme.mentions.insert(*found, each.visible); // the later record wins
        }
        for (int i : canvasShown)
            if (!theme.mentions.contains(i))
                theme.shown.push_back(i);
        for (auto it = theme.mentions.cbegin(); it != theme.mentions.cend(); ++it)
            if (canvas.showsWith(std::size_t(it.key()), it.value()))
                theme.shown.push_back(it.key());
        std::sort(theme.shown.begin(), theme.shown.end());
        if (!themes->hasMapTheme(set.name)
            || !holds(themes->mapThemeState(set.name), model->layersOf(theme), canvas.checkedGroups))
            changed.push_back(model->themes.size());
        model->themes.push_back(std::move(theme));
    }
    // The sets gone from the file.
    const QSet<QString> kept(now.begin(), now.end());
    QStringList gone;
    for (const QString &name : before)
        if (!kept.contains(name) && themes->hasMapTheme(name))
            gone << name;

    if (changed.size() + std::size_t(gone.size()) > std::size_t(fewThemes))
        handInOneGo(*project, *model, ours + kept, changed);
    else if (!changed.empty() || !gone.isEmpty()) {
        dropStyleConnections(*project);
        for (std::size_t k : changed)
            themes->insert(model->themes[k].name, model->recordOf(model->themes[k]));
        for (const QString &name : gone)
            themes->removeMapTheme(name);
    }
    setPublished(now);
    if (!changed.empty() || !gone.isEmpty())
        project->setDirty(true);
    m_model = std::move(model);
    told();
}

std::shared_ptr<QgisSetThemes::Build> QgisSetThemes::copyForBuild(QgsProject &project, const Model &model,
                                                                  const QSet<QString> &ours,
                                                                  const std::vector<std::size_t> &changed) const
{
    auto build = std::make_shared<Build>();
    build->ownXml = ownThemesXml(project, ours);
    build->ids.reserve(model.canvas.layers.size());
    for (const CanvasState::Layer &layer : model.canvas.layers)
        build->ids.push_back(layer.layer ? layer.layer->id() : QString());
    build->themes.reserve(model.themes.size());
    for (const Model::Theme &theme : model.themes)
        build->themes.push_back({theme.name, theme.shown});
    build->checkedGroups = model.canvas.checkedGroups;
    for (std::size_t k : changed)
        build->changed << model.themes[k].name;
    build->generation = m_generation;
    return build;
}

void QgisSetThemes::handOver(QgsProject &project, const QDomDocument &doc, const QStringList &changed)
{
    QgsMapThemeCollection *themes = project.mapThemeCollection();
    dropStyleConnections(project);
    // readXml starts by clearing the collection, and a map view following a
    // theme stops following it when told that its theme is gone: the
    // listeners hear of the themes that changed once they are all there.
    themes->blockSignals(true);
    themes->readXml(doc);
    themes->blockSignals(false);
    for (const QString &name : changed)
        emit themes->mapThemeChanged(name);
    emit themes->mapThemesChanged();
}

void QgisSetThemes::handInOneGo(QgsProject &project, const Model &model, const QSet<QString> &ours,
                                const std::vector<std::size_t> &changed)
{
    const std::shared_ptr<Build> build = copyForBuild(project, model, ours, changed);
    handOver(project, build->document(), build->changed);
}

void QgisSetThemes::startBuild(QgsProject &project)
{
    m_slice.stop();
    std::vector<std::size_t> changed(m_model->due.begin(), m_model->due.end());
    m_model->due.clear();
    QSet<QString> ours;
    for (Model::Theme &theme : m_model->themes) {
        theme.due = false;
        ours.insert(theme.name);
    }
    m_building = copyForBuild(project, *m_model, ours, changed);
    // The worker owns the document it builds until the hand-over.
    m_build.setFuture(
        QtConcurrent::run([build = m_building] { return std::make_shared<QDomDocument>(build->document()); }));
}

void QgisSetThemes::buildDone()
{
    // None: a publish since works everything out again.
    const std::shared_ptr<Build> build = std::move(m_building);
    if (!build)
        return;
    const std::shared_ptr<QDomDocument> doc = m_build.result();
    QgsProject *project = m_session ? m_session->project() : nullptr;
    if (!doc || !project || !m_model || build->generation != m_generation)
        return;
    if (build->collectionChanged) {
        // The person changed a theme meanwhile: built again with it.
        for (const QString &name : build->changed)
            for (std::size_t k = 0; k < m_model->themes.size(); ++k)
                if (m_model->themes[k].name == name && !m_model->themes[k].due) {
                    m_model->themes[k].due = true;
                    m_model->due.push_back(k);
                }
        startBuild(*project);
        return;
    }
    handOver(*project, *doc, build->changed);
    project->setDirty(true);
    // Ticks followed meanwhile go next.
    if (!handDue(*project))
        told();
}

bool QgisSetThemes::handDue(QgsProject &project)
{
    if (m_model->due.size() > std::size_t(fewThemes)) {
        // Every call into QGIS's collection costs as much as all of it:
        // many themes go in one go, built on a worker thread.
        startBuild(project);
        return true;
    }
    if (m_model->due.empty())
        return false;
    m_slice.start();
    return true;
}

void QgisSetThemes::canvasTicked()
{
    // Nothing to follow while no publish is known or one is due anyway; each
    // tick starts the rest again.
    if (m_model && !m_settle.isActive())
        m_tick.start();
}

void QgisSetThemes::followCanvas()
{
    QgsProject *project = m_session ? m_session->project() : nullptr;
    if (!m_model || !project || m_settle.isActive())
        return;
    CanvasState canvas(project->layerTreeRoot());
    if (!canvas.sameLayersAs(m_model->canvas)) {
        publishNow();
        return;
    }
    // The layers whose check, or a group's above them, changed.
    std::vector<int> ticked;
    for (std::size_t i = 0; i < canvas.layers.size(); ++i) {
        const CanvasState::Layer &was = m_model->canvas.layers[i];
        if (canvas.layers[i].checked != was.checked || canvas.layers[i].groupsShown != was.groupsShown)
            ticked.push_back(int(i));
    }
    const bool groups = canvas.checkedGroups != m_model->canvas.checkedGroups;
    for (std::size_t k = 0; k < m_model->themes.size(); ++k) {
        Model::Theme &theme = m_model->themes[k];
        bool changed = groups;
        for (int i : ticked) {
            const auto mention = theme.mentions.constFind(i);
            const bool shows = canvas.showsWith(std::size_t(i), mention != theme.mentions.constEnd()
                                                                    ? *mention
                                                                    : canvas.layers[std::size_t(i)].checked);
            const auto at = std::lower_bound(theme.shown.begin(), theme.shown.end(), i);
            const bool showed = at != theme.shown.end() && *at == i;
            if (shows == showed)
                continue;
            if (shows)
                theme.shown.insert(at, i);
            else
                theme.shown.erase(at);
            changed = true;
        }
        if (changed && !theme.due) {
            theme.due = true;
            m_model->due.push_back(k);
        }
    }
    m_model->canvas = std::move(canvas);
    // While a document is built, what changed meanwhile waits for its hand-over.
    if (!m_building)
        handDue(*project);
}

void QgisSetThemes::applySlice()
{
    QgsProject *project = m_session ? m_session->project() : nullptr;
    if (!m_model || !project)
        return;
    QElapsedTimer clock;
    clock.start();
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    QStringList done;
    dropStyleConnections(*project);
    // Told once a slice, not once a theme.
    themes->blockSignals(true);
    while (!m_model->due.empty() && (done.isEmpty() || clock.elapsed() < sliceMilliseconds)) {
        Model::Theme &theme = m_model->themes[m_model->due.front()];
        m_model->due.pop_front();
        theme.due = false;
        themes->insert(theme.name, m_model->recordOf(theme));
        done << theme.name;
    }
    themes->blockSignals(false);
    for (const QString &name : done)
        emit themes->mapThemeChanged(name);
    emit themes->mapThemesChanged();
    project->setDirty(true);
    if (!m_model->due.empty())
        m_slice.start();
    else
        told();
}

std::vector<ISetThemes::Theme> QgisSetThemes::ownThemes()
{
    std::vector<Theme> own;
    QgsProject *project = m_session ? m_session->project() : nullptr;
    if (!project)
        return own;
    const std::shared_ptr<IDocument> document = m_application->document();
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    const QStringList ourNames = published();
    const QSet<QString> ours(ourNames.begin(), ourNames.end());
    // The layers a save would record, in its order, walked once for every theme.
    struct Recordable
    {
        QString mapName;
        QString layerName;
        const QgsMapLayer *layer;
    };
    std::vector<Recordable> recordable;
    LayerWalk::forEachRecordable(
        *document, [](IMap &) { return true; },
        [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
            const auto *each = dynamic_cast<const QgisLayer *>(layer.get());
            QgsLayerTreeNode *node = each ? each->node() : nullptr;
            recordable.push_back(
                {map.name(), layer->name(),
                 node && QgsLayerTree::isLayer(node) ? QgsLayerTree::toLayer(node)->layer() : nullptr});
        });
    for (const QString &name : themes->mapThemes()) {
        if (ours.contains(name))
            continue;
        QSet<const QgsMapLayer *> visible;
        for (const QgsMapThemeCollection::MapThemeLayerRecord &record : themes->mapThemeState(name).layerRecords())
            if (record.layer() && record.isVisible)
                visible.insert(record.layer());
        // Each recordable layer as the theme shows it.
        Theme theme{name, {}};
        theme.layers.reserve(recordable.size());
        for (const Recordable &each : recordable)
            theme.layers.push_back({each.mapName, each.layerName, each.layer && visible.contains(each.layer)});
        own.push_back(std::move(theme));
    }
    return own;
}

} // namespace quarnelqgis
