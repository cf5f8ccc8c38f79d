#pragma once

#include "ComponentRegistry.h"
#include "HostObject.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

class QAction;
class QMainWindow;

namespace mapdesk {

class ComponentModule;
class LoadedCommand;

/// Creates the registered commands and puts their buttons on the main
/// window. For each class of the registry that names a module it loads the
/// module, asks its class factory for the command, reads the presentation,
/// calls OnCreate with the running application and keeps the command. Any
/// failure (no module file named, a missing file, a folder, not a module, no
/// entry points, a class the factory refuses) is reported through
/// problemReported() and loading goes on.
///
/// The loader owns the command objects; releaseAll() (also run on
/// destruction) removes the buttons and gives every object back. The modules
/// stay loaded for the life of the process (see ComponentModule).
class CommandLoader : public QObject
{
    Q_OBJECT

public:
    /// `hook` is handed to every command's OnCreate.
    explicit CommandLoader(HostObjectPtr hook, QObject *parent = nullptr);
    /// The site (the desktop services) handed to every new command object
    /// that takes one, before it is asked anything else.
    void setSite(HostObjectPtr site) { m_site = std::move(site); }
    ~CommandLoader() override;

    /// Loads every class of `registry` that names a module. Returns how many loaded.
    int loadAll(const ComponentRegistry &registry);
    /// Loads one class. False (after a report) when it could not be created.
    bool load(const ComponentRegistry::Entry &entry);
    /// Puts a button for every loaded command without one on `window`: one
    /// toolbar per category, named after it. Clicking a button runs OnClick.
    void addToolbars(QMainWindow *window);

    const std::vector<std::unique_ptr<LoadedCommand>> &commands() const { return m_commands; }
    /// The button of the command at `index`, once addToolbars() made it.
    QAction *action(std::size_t index) const;
    /// Everything reported so far, oldest first.
    const QStringList &problems() const { return m_problems; }

    /// Removes the buttons and releases every command object.
    void releaseAll();

signals:
    /// A failure worth telling the user: loading, creating or clicking a command.
    void problemReported(const QString &message);

private:
    void report(const QString &message);
    std::shared_ptr<ComponentModule> moduleFor(const QString &path, QString *error);

    HostObjectPtr m_hook;
    HostObjectPtr m_site;
    QHash<QString, std::shared_ptr<ComponentModule>> m_modules;
    std::vector<std::unique_ptr<LoadedCommand>> m_commands;
    std::vector<QPointer<QAction>> m_actions;
    QStringList m_problems;
};

} // namespace mapdesk
