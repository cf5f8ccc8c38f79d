#include "QgisSetThemes.h"

#include "IDocument.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "QgisApplication.h"
#include "QgisLayer.h"
#include "QgisSession.h"
#include "SetPreview.h"

#include <qgslayertree.h>
#include <qgslayertreegroup.h>
#include <qgslayertreelayer.h>
#include <qgsmaplayer.h>
#include <qgsmapthemecollection.h>
#include <qgsproject.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace quarnelqgis {

namespace {
const QString kKeep = QStringLiteral("/keepSetsAsThemes");
const QString kPublished = QStringLiteral("/publishedThemes");
constexpr int settleMilliseconds = 200;

/// The project's layer tree as the canvas shows it, walked once for all the
/// themes of a publish.
struct CanvasState
{
    struct Layer
    {
        QgsMapLayer *layer;
        bool checked;     ///< the node's own check box
        bool groupsShown; ///< every group above it is checked
    };
    std::vector<Layer> layers;
    QHash<const QgsLayerTreeNode *, int> indexOf;
    QSet<QString> checkedGroups; ///< as QGIS names groups: the "/"-joined names from the root

    explicit CanvasState(QgsLayerTreeGroup *root) { walk(root, QString(), true); }

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
                layers.push_back({QgsLayerTree::toLayer(node)->layer(), node->itemVisibilityChecked(), shown});
            }
        }
    }
};

/// Whether `record` holds just `shown` (in that order) as plain visible
/// layers, and `groups` as its checked groups.
bool holds(const QgsMapThemeCollection::MapThemeRecord &record, const std::vector<QgsMapLayer *> &shown,
           const QSet<QString> &groups)
{
    if (!record.hasCheckedStateInfo() || record.hasExpandedStateInfo() || record.checkedGroupNodes() != groups)
        return false;
    const QList<QgsMapThemeCollection::MapThemeLayerRecord> layers = record.layerRecords();
    if (std::size_t(layers.size()) != shown.size())
        return false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QgsMapThemeCollection::MapThemeLayerRecord &layer = layers.at(int(i));
        if (layer.layer() != shown[i] || !layer.isVisible || layer.usingCurrentStyle || layer.usingLegendItems)
            return false;
    }
    return true;
}
} // namespace

QgisSetThemes::QgisSetThemes(QgisSession *session, std::shared_ptr<QgisApplication> application)
    : m_session(session), m_application(std::move(application))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &QgisSetThemes::publishNow);
    connect(&m_watch, &SetFileWatch::changed, this, &QgisSetThemes::setsChanged);
    if (!m_session)
        return;
    // Another project: its own switch, its own themes and layers.
    connect(m_session, &QgisSession::projectSwitched, this, [this] {
        m_withheld.clear();
        followLayers();
        setsChanged();
        told();
    });
    if (QgsProject *project = m_session->project()) {
        connect(project, &QgsProject::layersAdded, this, [this](const QList<QgsMapLayer *> &layers) {
            for (QgsMapLayer *layer : layers)
                followLayer(layer);
            setsChanged();
        });
        connect(project, &QgsProject::layersRemoved, this, &QgisSetThemes::setsChanged);
        // A layer moved into or out of a group is matched otherwise.
        QgsLayerTree *root = project->layerTreeRoot();
        connect(root, &QgsLayerTreeNode::addedChildren, this, &QgisSetThemes::setsChanged);
        connect(root, &QgsLayerTreeNode::removedChildren, this, &QgisSetThemes::setsChanged);
    }
    followLayers();
}

QgisSetThemes::~QgisSetThemes() = default;

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
    connect(qobject_cast<QgsMapLayer *>(layer), &QgsMapLayer::nameChanged, this, &QgisSetThemes::setsChanged,
            Qt::UniqueConnection);
}

void QgisSetThemes::setSetFile(std::function<QString()> nativePath)
{
    m_setFile = std::move(nativePath);
}

void QgisSetThemes::setOnChange(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
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
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    for (const QString &name : published())
        if (themes->hasMapTheme(name))
            themes->removeMapTheme(name);
    setPublished({});
    m_withheld.clear();
    told();
}

void QgisSetThemes::setsChanged()
{
    if (keepsSets())
        m_settle.start();
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
    QgsProject *project = m_session ? m_session->project() : nullptr;
    const QString path = m_setFile ? m_setFile() : QString();
    if (!project || !keepsSets() || path.isEmpty())
        return;
    m_watch.follow(path);
    // A missing file holds no sets (Clear All may delete it); one that cannot
    // be read now changes nothing.
    QByteArray bytes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    else if (QFileInfo::exists(path))
        return;

    const std::shared_ptr<IDocument> document = m_application->document();
    const SetPreview preview(bytes, *document);
    const CanvasState canvas(project->layerTreeRoot());
    QgsMapThemeCollection *themes = project->mapThemeCollection();
    const QStringList before = published();
    const QSet<QString> ours(before.begin(), before.end());

    QStringList now;
    m_withheld.clear();
    bool changed = false;
    std::vector<char> checked(canvas.layers.size());
    std::vector<QgsMapLayer *> shown;
    // The layer behind each layer object of the index, looked up once.
    QHash<ILayer *, int> nodeOf;
    for (const SetPreview::Set &set : preview.sets()) {
        if (themes->hasMapTheme(set.name) && !ours.contains(set.name)) {
            m_withheld << set.name;
            continue;
        }
        now << set.name;
        for (std::size_t i = 0; i < checked.size(); ++i)
            checked[i] = canvas.layers[i].checked;
        for (const SetPreview::Switch &each : set.switches) {
            auto found = nodeOf.constFind(each.layer);
            if (found == nodeOf.constEnd()) {
                const auto *layer = dynamic_cast<const QgisLayer *>(each.layer);
                found = nodeOf.insert(each.layer, layer ? canvas.indexOf.value(layer->node(), -1) : -1);
            }
            if (*found >= 0)
                checked[std::size_t(*found)] = each.visible;
        }
        shown.clear();
        for (std::size_t i = 0; i < checked.size(); ++i)
            if (checked[i] && canvas.layers[i].groupsShown && canvas.layers[i].layer)
                shown.push_back(canvas.layers[i].layer);
        if (themes->hasMapTheme(set.name) && holds(themes->mapThemeState(set.name), shown, canvas.checkedGroups))
            continue;
        QList<QgsMapThemeCollection::MapThemeLayerRecord> records;
        records.reserve(int(shown.size()));
        for (QgsMapLayer *layer : shown)
            records.append(QgsMapThemeCollection::MapThemeLayerRecord(layer));
        QgsMapThemeCollection::MapThemeRecord record;
        record.setLayerRecords(records);
        record.setHasCheckedStateInfo(true);
        record.setCheckedGroupNodes(canvas.checkedGroups);
        themes->insert(set.name, record);
        changed = true;
    }
    // The sets gone from the file.
    const QSet<QString> kept(now.begin(), now.end());
    for (const QString &name : before)
        if (!kept.contains(name) && themes->hasMapTheme(name)) {
            themes->removeMapTheme(name);
            changed = true;
        }
    setPublished(now);
    if (changed)
        project->setDirty(true);
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
    for (const QString &name : themes->mapThemes()) {
        if (ours.contains(name))
            continue;
        QSet<const QgsMapLayer *> visible;
        for (const QgsMapThemeCollection::MapThemeLayerRecord &record : themes->mapThemeState(name).layerRecords())
            if (record.layer() && record.isVisible)
                visible.insert(record.layer());
        Theme theme{name, {}};
        // The layers a save would record, in its order, each as the theme shows it.
        LayerWalk::forEachRecordable(
            *document, [](IMap &) { return true; },
            [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
                const auto *each = dynamic_cast<const QgisLayer *>(layer.get());
                QgsLayerTreeNode *node = each ? each->node() : nullptr;
                const bool shown =
                    node && QgsLayerTree::isLayer(node) && visible.contains(QgsLayerTree::toLayer(node)->layer());
                theme.layers.push_back({map.name(), layer->name(), shown});
            });
        own.push_back(std::move(theme));
    }
    return own;
}

} // namespace quarnelqgis
