#pragma once

#include "Com.h"
#include "ComPtr.h"
#include "ComponentEntry.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

namespace mapdesk {

class ComponentModule;

/// A command object created from a registered module, with the presentation
/// it gave for its toolbar button. It holds one reference to the object,
/// given back by release() or on destruction, and shares its module so that
/// the code stays loaded while the object lives.
class LoadedCommand
{
public:
    /// What the command shows on its button.
    struct Presentation
    {
        QString name;
        QString caption;
        QString category;
        QString tooltip;
        QString message;
        QImage bitmap;
        bool enabled = true;
        bool checked = false;
    };

    LoadedCommand(ComponentEntry entry, std::shared_ptr<ComponentModule> module, ComPtr<Com::ICommand> command);
    ~LoadedCommand();
    LoadedCommand(const LoadedCommand &) = delete;
    LoadedCommand &operator=(const LoadedCommand &) = delete;

    /// Reads the presentation. A getter that fails leaves its part empty and
    /// adds a note naming the command and the part to the result.
    QStringList readPresentation();
    /// OnCreate with the running application. Empty text, or what failed.
    QString create(const HostObjectPtr &hook);
    /// OnClick. Empty text, or what failed.
    QString click();
    /// Gives back the reference to the command object.
    void release();

    const ComponentEntry &entry() const { return m_entry; }
    const Presentation &presentation() const { return m_presentation; }
    const std::shared_ptr<ComponentModule> &module() const { return m_module; }
    bool isReleased() const { return !m_command; }
    /// The caption, or failing that the name or the ProgID: what names the button.
    QString label() const;

private:
    QString failure(const QString &operation, Com::HRESULT result, const QString &description = {}) const;

    ComponentEntry m_entry;
    std::shared_ptr<ComponentModule> m_module;
    ComPtr<Com::ICommand> m_command;
    Presentation m_presentation;
};

} // namespace mapdesk
