#pragma once

#include <qgisplugin.h>

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QToolBar>

#include <memory>

class QgisInterface;

namespace mapdesk {
class LoadedCommand;
}

namespace quarnelqgis {

class QgisHost;

/// The QuarnelVisibility command in QGIS, hosted as mapdesk hosts it: the
/// command object comes from the module's class factory, takes the host's
/// site, is created with QGIS as its application, and shows its caption,
/// tooltip and picture on a button of a toolbar named after its category and
/// in the Plugins menu; the button runs OnClick. Owns the host and the
/// command; unload() (or destruction) takes the button away and releases the
/// command with its windows.
class QuarnelVisibilityPlugin : public QObject, public QgisPlugin
{
    Q_OBJECT

public:
    explicit QuarnelVisibilityPlugin(QgisInterface *iface);
    ~QuarnelVisibilityPlugin() override;

    void initGui() override;
    void unload() override;

    /// The button's action while loaded.
    QAction *action() const { return m_action; }

private:
    void report(const QString &problem) const;

    QgisInterface *m_iface;
    std::unique_ptr<QgisHost> m_host;
    std::unique_ptr<mapdesk::LoadedCommand> m_command;
    QPointer<QAction> m_action;
    QPointer<QToolBar> m_toolBar;
    QString m_menu;
};

} // namespace quarnelqgis
