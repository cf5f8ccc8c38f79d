#pragma once

#include "HostObject.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/// A host that can keep the add-in's visibility sets as map themes of its
/// open document, so that its own tools (QGIS's print layouts) can show a
/// set. Optional: HostServices::setThemes() is null for a host without
/// themes. The switch is stored in the document; while it is on, every set of
/// the file is a theme of the set's name, kept in step with the file and the
/// document's layers. Themes the person made are never changed.
class QUARNELHOST_EXPORT ISetThemes : public virtual HostObject
{
public:
    /// Where the set file is now (its native path; empty while unknown),
    /// asked whenever the themes are brought in step with it. An empty
    /// function forgets the window that told it.
    virtual void setSetFile(std::function<QString()> nativePath) = 0;
    /// The team's database the sets are kept in instead (its connection;
    /// empty while they are in the set file), asked likewise. An empty
    /// function forgets the window that told it.
    virtual void setSetStore(std::function<QString()> connection) = 0;
    /// Called after the themes or the switch changed (a project opened, the
    /// file published); an empty function forgets the listener.
    virtual void setOnChange(std::function<void()> onChange) = 0;

    /// Whether the open document keeps the sets as themes.
    virtual bool keepsSets() = 0;
    /// Turns keeping on (every set becomes a theme) or off (the themes
    /// published are removed).
    virtual void setKeepsSets(bool keep) = 0;
    /// The set file changed: the themes follow it shortly.
    virtual void setsChanged() = 0;
    /// The set names that are not themes because the document has a theme of
    /// its own of that name.
    virtual QStringList withheldSets() = 0;

    /// One layer of a theme as a set records it.
    struct Layer
    {
        QString mapName;
        QString layerName;
        bool visible = false;
    };
    /// A theme of the document's own, as a set of the same name would record it.
    struct Theme
    {
        QString name;
        std::vector<Layer> layers;
    };
    /// The document's own themes (none published from the sets), in the
    /// document's order.
    virtual std::vector<Theme> ownThemes() = 0;

    /// Whether the host can print one page per set (a print layout of the
    /// document exported once for each set).
    virtual bool exportsLayouts() = 0;
    /// Asks the person how to print one page per set, with `sets` chosen at
    /// first; nothing where the host cannot.
    virtual void exportLayouts(const QStringList &sets) = 0;
};
