#include "QgisPanelFrame.h"

#include "Com.h"
#include "FrameWindow.h"
#include "HostError.h"
#include "IForm.h"
#include "ModelessFrame.h"

#include <qgsdockwidget.h>

#include <QMainWindow>

namespace quarnelqgis {

QString QgisPanelFrame::panelName()
{
    return QStringLiteral("QuarnelVisibilityPanel");
}

QString QgisPanelFrame::panelFormName()
{
    return QStringLiteral("frmMain");
}

QgisPanelFrame::QgisPanelFrame(Dock dock) : m_dock(std::move(dock)) {}

QgisPanelFrame::~QgisPanelFrame()
{
    if (!m_panel)
        return;
    if (m_dock.remove)
        m_dock.remove(m_panel);
    // The content window gives back the form before it goes (FrameWindow's
    // destructor).
    delete m_panel.data();
}

QgsDockWidget *QgisPanelFrame::panel() const
{
    return m_panel;
}

QgsDockWidget &QgisPanelFrame::requirePanel() const
{
    if (!m_panel)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The frame's window has been closed"));
    return *m_panel;
}

void QgisPanelFrame::makePanel()
{
    m_panel = new QgsDockWidget(m_dock.mainWindow);
    m_panel->setObjectName(panelName());
    m_panel->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    // The content window carries the borrowed form; inside the panel it is a
    // plain child, no longer a window of its own.
    m_content = new mapdesk::FrameWindow;
    m_panel->setWidget(m_content);
    // A place QGIS kept in its window state from an earlier session wins
    // (it is found only before the panel is added); the first time, the
    // panel floats where the add-in puts its window.
    m_placedByQgis = m_dock.mainWindow->restoreDockWidget(m_panel);
    const bool floating = !m_placedByQgis || m_panel->isFloating();
    const Qt::DockWidgetArea area = floating ? Qt::RightDockWidgetArea : m_dock.mainWindow->dockWidgetArea(m_panel);
    const QRect kept = m_panel->geometry();
    // Added through QGIS, which lists the panel under View > Panels.
    if (m_dock.add)
        m_dock.add(m_panel);
    else
        m_dock.mainWindow->addDockWidget(area, m_panel);
    if (!floating && m_dock.mainWindow->dockWidgetArea(m_panel) != area)
        m_dock.mainWindow->addDockWidget(area, m_panel);
    if (floating) {
        m_panel->setFloating(true);
        if (m_placedByQgis)
            m_panel->setGeometry(kept);
    }
    // Shown when the add-in shows it.
    m_panel->hide();
}

void QgisPanelFrame::attach(IForm *form)
{
    if (!form)
        throw HostError(Com::E_POINTER, QStringLiteral("No form to attach"));
    if (!m_panel && !m_floating) {
        if (m_dock.mainWindow && form->formWidget()->objectName() == panelFormName())
            makePanel();
        else
            m_floating = std::make_unique<mapdesk::ModelessFrame>(m_dock.mainWindow);
    }
    if (m_floating) {
        m_floating->attach(form);
        return;
    }
    requirePanel();
    // The add-in's forms are laid out for their own size, which the panel
    // keeps however it is docked.
    m_content->setMinimumSize(form->formWidget()->size());
    m_content->carry(form->formWidget());
    if (m_panel->isFloating())
        m_panel->adjustSize();
    form->formLoad();
}

void QgisPanelFrame::setVisible(bool visible)
{
    if (m_floating) {
        m_floating->setVisible(visible);
        return;
    }
    QgsDockWidget &panel = requirePanel();
    if (visible) {
        panel.setUserVisible(true);
        panel.raise();
        if (panel.isFloating())
            panel.activateWindow();
    } else {
        panel.hide();
    }
}

void QgisPanelFrame::setCaption(const QString &caption)
{
    if (m_floating) {
        m_floating->setCaption(caption);
        return;
    }
    requirePanel().setWindowTitle(caption);
}

void QgisPanelFrame::move(std::int32_t left, std::int32_t top, std::int32_t reserved1, std::int32_t reserved2)
{
    if (m_floating) {
        m_floating->move(left, top, reserved1, reserved2);
        return;
    }
    QgsDockWidget &panel = requirePanel();
    if (!m_placedByQgis && panel.isFloating())
        panel.move(left, top);
}

} // namespace quarnelqgis
