#include "CommandLoader.h"

#include "ComPtr.h"
#include "ComponentModule.h"
#include "LoadedCommand.h"

#include <QAction>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QToolBar>

#include <exception>

namespace mapdesk {

CommandLoader::CommandLoader(HostObjectPtr hook, QObject *parent) : QObject(parent), m_hook(std::move(hook)) {}

CommandLoader::~CommandLoader()
{
    releaseAll();
}

void CommandLoader::report(const QString &message)
{
    m_problems << message;
    emit problemReported(message);
}

std::shared_ptr<ComponentModule> CommandLoader::moduleFor(const QString &path, QString *error)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    std::shared_ptr<ComponentModule> &module = m_modules[key];
    if (!module)
        module = std::make_shared<ComponentModule>(path);
    *error = module->load();
    return error->isEmpty() ? module : nullptr;
}

int CommandLoader::loadAll(const ComponentRegistry &registry)
{
    int loaded = 0;
    for (const ComponentRegistry::Entry &entry : registry.serverClasses())
        loaded += load(entry) ? 1 : 0;
    return loaded;
}

bool CommandLoader::load(const ComponentRegistry::Entry &entry)
{
    const QString who = QStringLiteral("%1 %2").arg(entry.progId, entry.classId.toString());
    const auto fail = [&](const QString &why) {
        report(QStringLiteral("Cannot load the command %1: %2").arg(who, why));
        return false;
    };
    if (entry.modulePath.trimmed().isEmpty())
        return fail(QStringLiteral("the registry names no module file for it"));

    QString error;
    std::shared_ptr<ComponentModule> module = moduleFor(entry.modulePath, &error);
    if (!module)
        return fail(error);
    auto getClassObject = reinterpret_cast<Com::DllGetClassObjectFn>(module->entryPoint("DllGetClassObject", &error));
    if (!getClassObject)
        return fail(error);

    ComPtr<Com::IClassFactory> factory;
    ComPtr<Com::ICommand> command;
    try {
        Com::HRESULT result = getClassObject(&entry.classId, &Com::IID_IClassFactory, factory.receive());
        if (!Com::succeeded(result) || !factory)
            return fail(QStringLiteral("the module %1 has no class factory for it (%2)")
                            .arg(entry.modulePath, ComponentModule::resultText(result)));
        result = factory->CreateInstance(nullptr, Com::IID_ICommand, command.receive());
        if (!Com::succeeded(result) || !command)
            return fail(QStringLiteral("its class factory refused to create a command (%1)")
                            .arg(ComponentModule::resultText(result)));
        // A command that takes no site simply does without the services.
        ComPtr<Com::IObjectWithSite> withSite;
        if (m_site && Com::succeeded(command->QueryInterface(Com::IID_IObjectWithSite, withSite.receive())) && withSite)
            withSite->SetSite(m_site);
    } catch (const std::exception &failure) {
        return fail(QStringLiteral("creating it failed: %1").arg(QString::fromLocal8Bit(failure.what())));
    } catch (...) {
        return fail(QStringLiteral("creating it failed"));
    }
    factory.reset();

    auto loaded = std::make_unique<LoadedCommand>(entry, module, std::move(command));
    for (const QString &note : loaded->readPresentation())
        report(note);
    const QString created = loaded->create(m_hook);
    if (!created.isEmpty())
        report(created);
    m_commands.push_back(std::move(loaded));
    m_actions.emplace_back();
    return true;
}

void CommandLoader::addToolbars(QMainWindow *window)
{
    for (std::size_t index = 0; index < m_commands.size(); ++index) {
        if (m_actions[index])
            continue;
        LoadedCommand *command = m_commands[index].get();
        const LoadedCommand::Presentation &look = command->presentation();

        QToolBar *toolbar = nullptr;
        for (QToolBar *existing : window->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly))
            if (existing->property("commandCategory").toString() == look.category)
                toolbar = existing;
        if (!toolbar) {
            toolbar = window->addToolBar(look.category.isEmpty() ? QStringLiteral("Commands") : look.category);
            toolbar->setObjectName(QStringLiteral("category:") + look.category);
            toolbar->setProperty("commandCategory", look.category);
        }

        auto *action = new QAction(command->label(), toolbar);
        action->setObjectName(look.name);
        if (!look.bitmap.isNull())
            action->setIcon(QIcon(QPixmap::fromImage(look.bitmap)));
        action->setToolTip(look.tooltip.isEmpty() ? command->label() : look.tooltip);
        action->setStatusTip(look.message);
        action->setEnabled(look.enabled);
        action->setCheckable(look.checked);
        action->setChecked(look.checked);
        connect(action, &QAction::triggered, this, [this, command] {
            const QString failed = command->click();
            if (!failed.isEmpty())
                report(failed);
        });
        toolbar->addAction(action);
        m_actions[index] = action;
    }
}

QAction *CommandLoader::action(std::size_t index) const
{
    return index < m_actions.size() ? m_actions[index].data() : nullptr;
}

void CommandLoader::releaseAll()
{
    for (QPointer<QAction> &action : m_actions)
        delete action.data();
    m_actions.clear();
    for (std::unique_ptr<LoadedCommand> &command : m_commands)
        command->release();
    m_commands.clear();
    // The modules themselves stay loaded (see ComponentModule).
    m_modules.clear();
}

} // namespace mapdesk
