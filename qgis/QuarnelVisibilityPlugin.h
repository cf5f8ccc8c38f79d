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
class QgisProcessingProvider;

/// The QuarnelVisibility command in QGIS, hosted as mapdesk hosts it: the
/// command object comes from the module's class factory, takes the host's
/// site, is created with QGIS as its application, and shows its caption,
/// tooltip and picture on a button of a toolbar named after its category and
/// in the Plugins menu; the button runs OnClick. The add-in's set list offers
/// Export Layout for Each Set through the host, which opens its window over
/// QGIS's, and Processing gets the QuarnelVisibility provider. Owns the host
/// and the command; unload() (or destruction) takes the button, the menu item
/// and the provider away and releases the command with its windows.
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
    /// Shows Export Layout for Each Set over QGIS's main window, `selected`
    /// ticked.
    void exportLayoutForEachSet(const QStringList &selected);

    QgisInterface *m_iface;
    std::unique_ptr<QgisHost> m_host;
    std::unique_ptr<mapdesk::LoadedCommand> m_command;
    QPointer<QAction> m_action;
    QPointer<QToolBar> m_toolBar;
    QString m_menu;
    /// Registered with QGIS's Processing registry, which owns it.
    QPointer<QgisProcessingProvider> m_provider;
};

} // namespace quarnelqgis
