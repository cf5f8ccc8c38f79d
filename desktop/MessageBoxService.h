#pragma once

#include "IMessageBox.h"

#include <QPointer>
#include <QWidget>

namespace mapdesk {

/// The desktop's message box for the add-in: one OK button, no icon, the
/// given title and the text as plain text, parented on the host's main window.
/// The owner window is borrowed; the service holds only a guarded pointer.
class MessageBoxService : public IMessageBox
{
public:
    explicit MessageBoxService(QWidget *owner = nullptr) : m_owner(owner) {}

    void setOwner(QWidget *owner) { m_owner = owner; }
    QWidget *owner() const { return m_owner; }

    void show(const QString &text, const QString &title) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace mapdesk
