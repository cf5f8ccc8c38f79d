#include "LoadedCommand.h"

#include "ComponentModule.h"
#include "HostBitmaps.h"
#include "HostError.h"

#include <exception>
#include <functional>

namespace mapdesk {

namespace {
/// Runs one call into the module; a C++ failure escaping it counts as E_FAIL
/// with its description.
Com::HRESULT guarded(const std::function<Com::HRESULT()> &call, QString *description)
{
    try {
        return call();
    } catch (const HostError &error) {
        *description = error.description();
        return error.number() < 0 ? error.number() : Com::E_FAIL;
    } catch (const std::exception &error) {
        *description = QString::fromLocal8Bit(error.what());
    } catch (...) {
        *description = QStringLiteral("unknown failure");
    }
    return Com::E_FAIL;
}
} // namespace

LoadedCommand::LoadedCommand(ComponentEntry entry, std::shared_ptr<ComponentModule> module,
                             ComPtr<Com::ICommand> command)
    : m_entry(std::move(entry)), m_module(std::move(module)), m_command(std::move(command))
{
}

LoadedCommand::~LoadedCommand()
{
    release();
}

void LoadedCommand::release()
{
    m_command.reset();
}

QString LoadedCommand::label() const
{
    if (!m_presentation.caption.isEmpty())
        return m_presentation.caption;
    if (!m_presentation.name.isEmpty())
        return m_presentation.name;
    return m_entry.progId.isEmpty() ? m_entry.classId.toString() : m_entry.progId;
}

QString LoadedCommand::failure(const QString &operation, Com::HRESULT result, const QString &description) const
{
    QString text = QStringLiteral("The command %1 %2 failed in %3: %4")
                       .arg(m_entry.progId, m_entry.classId.toString(), operation, ComponentModule::resultText(result));
    if (!description.isEmpty())
        text += QStringLiteral(" (%1)").arg(description);
    return text;
}

QStringList LoadedCommand::readPresentation()
{
    QStringList notes;
    if (!m_command)
        return notes;
    Com::ICommand *command = m_command.get();
    const auto readText = [&](const char *what, Com::HRESULT (Com::ICommand::*getter)(QString *), QString &target) {
        QString description;
        QString value;
        const Com::HRESULT result = guarded([&] { return (command->*getter)(&value); }, &description);
        if (Com::succeeded(result)) {
            target = value;
        } else {
            target.clear();
            notes << failure(QLatin1String(what), result, description);
        }
    };
    readText("Name", &Com::ICommand::get_Name, m_presentation.name);
    readText("Caption", &Com::ICommand::get_Caption, m_presentation.caption);
    readText("Category", &Com::ICommand::get_Category, m_presentation.category);
    readText("Tooltip", &Com::ICommand::get_Tooltip, m_presentation.tooltip);
    readText("Message", &Com::ICommand::get_Message, m_presentation.message);

    QString description;
    Com::OLE_HANDLE bitmap = 0;
    Com::HRESULT result = guarded([&] { return command->get_Bitmap(&bitmap); }, &description);
    if (Com::succeeded(result))
        m_presentation.bitmap = HostBitmaps::image(bitmap);
    else
        notes << failure(QStringLiteral("Bitmap"), result, description);

    Com::VARIANT_BOOL flag = Com::VARIANT_TRUE;
    if (Com::succeeded(guarded([&] { return command->get_Enabled(&flag); }, &description)))
        m_presentation.enabled = flag != Com::VARIANT_FALSE;
    flag = Com::VARIANT_FALSE;
    if (Com::succeeded(guarded([&] { return command->get_Checked(&flag); }, &description)))
        m_presentation.checked = flag != Com::VARIANT_FALSE;
    return notes;
}

QString LoadedCommand::create(const HostObjectPtr &hook)
{
    if (!m_command)
        return failure(QStringLiteral("OnCreate"), Com::E_POINTER);
    QString description;
    const Com::HRESULT result = guarded([&] { return m_command->OnCreate(hook); }, &description);
    if (Com::succeeded(result))
        return {};
    return failure(QStringLiteral("OnCreate"), result, description);
}

QString LoadedCommand::click()
{
    if (!m_command)
        return failure(QStringLiteral("OnClick"), Com::E_POINTER);
    QString description;
    const Com::HRESULT result = guarded([&] { return m_command->OnClick(); }, &description);
    if (Com::succeeded(result))
        return {};
    return failure(QStringLiteral("OnClick"), result, description);
}

} // namespace mapdesk
