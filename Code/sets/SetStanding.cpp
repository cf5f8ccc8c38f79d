#include "SetStanding.h"

#include "SetFileEdits.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <QStringList>

VisibilitySnapshot VisibilitySnapshot::of(IDocument &document)
{
    // The same walk as a save's: the flags are judged as a save would record them.
    VisibilitySnapshot snapshot;
    captureVisibility(document, [&snapshot](const QString &mapName, const QString &layerName, bool visible) {
        Count &count = snapshot.m_layers[{mapName, layerName}];
        ++count.all;
        count.visible += visible ? 1 : 0;
    });
    return snapshot;
}

std::optional<VisibilitySnapshot::Shown> VisibilitySnapshot::shown(const QString &mapName,
                                                                   const QString &layerName) const
{
    const auto found = m_layers.constFind({mapName, layerName});
    if (found == m_layers.constEnd() || found->all == 0)
        return std::nullopt;
    return Shown{found->visible == found->all, found->visible == 0};
}

QString SetStanding::describe() const
{
    if (present == 0)
        return QStringLiteral("None of its layers is in this document");
    if (differences.empty())
        return QStringLiteral("Matches the layers shown now");
    constexpr std::size_t named = 3;
    QStringList parts;
    for (std::size_t i = 0; i < differences.size() && i < named; ++i)
        parts << differences[i].layerName
                     + (differences[i].recorded ? QStringLiteral(" is off") : QStringLiteral(" is on"));
    if (differences.size() > named)
        parts << QStringLiteral("…");
    const QString count = differences.size() == 1 ? QStringLiteral("1 layer differs")
                                                  : QStringLiteral("%1 layers differ").arg(differences.size());
    return count + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QHash<QString, SetStanding> judgeSets(const QByteArray &file, const VisibilitySnapshot &now)
{
    // Each set's layers in the order of their first record, with the flag of
    // their last one.
    struct Recorded
    {
        std::vector<std::pair<QString, QString>> order;
        QHash<std::pair<QString, QString>, bool> flags;
    };
    QHash<QString, Recorded> sets;
    SetFileEdits::visitRecords(file, [&](const VisibilityRecord &record) {
        Recorded &set = sets[record.setName];
        const std::pair<QString, QString> key{record.mapName, record.layerName};
        auto at = set.flags.find(key);
        if (at == set.flags.end()) {
            set.order.push_back(key);
            set.flags.insert(key, record.isVisible());
        } else {
            *at = record.isVisible();
        }
    });
    QHash<QString, SetStanding> standings;
    for (auto it = sets.constBegin(); it != sets.constEnd(); ++it) {
        SetStanding &standing = standings[it.key()];
        for (const auto &key : it->order) {
            const std::optional<VisibilitySnapshot::Shown> shown = now.shown(key.first, key.second);
            if (!shown)
                continue;
            ++standing.present;
            const bool recorded = it->flags.value(key);
            if (recorded ? !shown->allVisible : !shown->allHidden)
                standing.differences.push_back({key.first, key.second, recorded});
        }
    }
    return standings;
}
