#pragma once

#include "SetStore.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QWidget;

/// The questions the set list's menu asks a person: each only returns the
/// answer, and the main window does the work. The main window owns one;
/// DialogSetPrompts asks with Qt's dialogs, tests answer in their place.
class SetPrompts
{
public:
    virtual ~SetPrompts() = default;

    /// The new name for set `current`, or nothing when cancelled.
    virtual std::optional<QString> newName(QWidget *parent, const QString &current) = 0;
    /// Whether set `from` may be merged into the set `into` that exists.
    virtual bool confirmMerge(QWidget *parent, const QString &from, const QString &into) = 0;
    /// The file to export the sets to, or an empty text when cancelled.
    virtual QString exportFile(QWidget *parent, const QStringList &setNames) = 0;
    /// The set file to import, or an empty text when cancelled.
    virtual QString importFile(QWidget *parent) = 0;
    /// What to do with an imported set whose name is in use.
    virtual SetStore::Clash onClash(QWidget *parent, const QString &setName) = 0;
    /// The layers set `setName` is to record instead of `layers.recorded`,
    /// or nothing when cancelled or left as it was.
    virtual std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *parent, const QString &setName,
                                                                    const SetLayers &layers) = 0;
    /// Where the sets are to be kept from now on: a team's PostgreSQL
    /// database (a libpq connection), or an empty text for the set file;
    /// nothing when cancelled.
    virtual std::optional<QString> storeConnection(QWidget *parent, const QString &current)
    {
        Q_UNUSED(parent);
        Q_UNUSED(current);
        return std::nullopt;
    }
    /// Whether an edit of set `setName` may replace what was saved since its
    /// layers were read: `changes`, one a line (SetStore::describe()). No,
    /// unless a person says so.
    virtual bool overwriteChangedSet(QWidget *parent, const QString &setName, const QStringList &changes)
    {
        Q_UNUSED(parent);
        Q_UNUSED(setName);
        Q_UNUSED(changes);
        return false;
    }
};
