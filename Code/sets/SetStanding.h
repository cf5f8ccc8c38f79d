#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class IDocument;

/// The flags of a document's recordable feature layers by map and layer
/// name, taken at one moment on the thread that owns the document: a plain
/// value that sets can be judged against on any thread.
class VisibilitySnapshot
{
public:
    static VisibilitySnapshot of(IDocument &document);

    /// How the layers of one map and layer name are shown: whether every
    /// one of them is visible, and whether every one is hidden (both false
    /// when they are mixed).
    struct Shown
    {
        bool allVisible;
        bool allHidden;
    };
    /// One map and layer name of the document, and how its layers are shown.
    struct Layer
    {
        QString mapName;
        QString layerName;
        Shown shown;
    };
    /// The layer names of the document, each once.
    const std::vector<Layer> &layers() const { return m_layers; }
    /// Where `mapName`, `layerName` stands in layers(); -1 when the document has none.
    int find(const QString &mapName, const QString &layerName) const;
    /// How the layers of these names are shown; nothing when the document has none.
    std::optional<Shown> shown(const QString &mapName, const QString &layerName) const
    {
        const int index = find(mapName, layerName);
        return index < 0 ? std::nullopt : std::optional<Shown>(m_layers[std::size_t(index)].shown);
    }
    /// The same for the map and layer fields of a record as the add-in writes
    /// them (`"MAP","LAYER"`); -1 when they are not written that way for any
    /// layer of the document. Not for two threads at once on one snapshot:
    /// the first call makes the table of bytes.
    int findWritten(std::string_view mapAndLayer) const;

private:
    struct Transparent
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::vector<Layer> m_layers;
    QHash<std::pair<QString, QString>, int> m_byName;
    mutable std::unordered_map<std::string, int, Transparent, std::equal_to<>> m_byBytes; ///< made on first use
};

/// A recorded layer that the document shows otherwise now.
struct LayerDifference
{
    QString mapName;
    QString layerName;
    bool recorded; ///< the set's flag; the layer shows the other one now
};

/// How one saved set stands against the layers a document shows now. A set
/// records a layer with its last record for it, as a restore leaves it.
struct SetStanding
{
    qsizetype present = 0;                    ///< recorded layers the document has
    std::vector<LayerDifference> differences; ///< of those, the ones shown otherwise, in file order

    /// Every recorded layer the document has shows its recorded flag, and
    /// there is at least one.
    bool matches() const { return present > 0 && differences.empty(); }
    /// A person's words for it, for the set's tooltip: whether it matches,
    /// or how many layers differ, naming the first few.
    QString describe() const;
};

/// Every set of a visibility-set file's bytes against `now`, by set name.
/// Reads only: a damaged tail is passed over. Gives up, with nothing, soon
/// after `cancelled` is set.
QHash<QString, SetStanding> judgeSets(const QByteArray &file, const VisibilitySnapshot &now,
                                      const std::atomic_bool *cancelled = nullptr);
