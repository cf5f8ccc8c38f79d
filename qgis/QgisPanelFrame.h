#pragma once

#include "IFramePosition.h"
#include "IModelessFrame.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QDockWidget;
class QgsDockWidget;
class QMainWindow;

namespace mapdesk {
class FrameWindow;
class ModelessFrame;
} // namespace mapdesk

namespace quarnelqgis {

/// QGIS's modeless frame for the add-in's forms. The add-in's main window
/// lives in a panel of QGIS's main window, a dock widget like QGIS's own:
/// on first use it floats where the add-in places it, it docks on either
/// side, it is listed under View > Panels, and QGIS keeps its place in its
/// own window state. Every other form (the prompts, the help) floats over
/// QGIS's main window as in mapdesk.
///
/// The frame owns its panel (deleted with the frame, unless QGIS deleted it
/// first) and only borrows the form, which is taken out when the panel goes.
class QgisPanelFrame : public IModelessFrame, public IFramePosition
{
public:
    /// Where the panel goes: QGIS's main window, and how a panel is added to
    /// it and taken away (QgisInterface's addDockWidget, which also lists
    /// it under View > Panels, and removeDockWidget).
    struct Dock
    {
        QMainWindow *mainWindow = nullptr;
        std::function<void(QDockWidget *)> add;
        std::function<void(QDockWidget *)> remove;
    };

    /// The panel's object name, under which QGIS keeps its place.
    static QString panelName();
    /// The object name of the form that lives in the panel.
    static QString panelFormName();

    explicit QgisPanelFrame(Dock dock);
    ~QgisPanelFrame() override;
    QgisPanelFrame(const QgisPanelFrame &) = delete;
    QgisPanelFrame &operator=(const QgisPanelFrame &) = delete;

    /// Puts the form into the panel (the add-in's main window) or into a
    /// floating window (any other form), then runs the form's load step.
    void attach(IForm *form) override;
    /// Shows and raises the panel, or hides it.
    void setVisible(bool visible) override;
    /// The panel's title, also its entry under View > Panels.
    void setCaption(const QString &caption) override;
    /// Places a floating panel that QGIS had no place for, or the floating
    /// window, at (left, top) screen pixels; a panel QGIS placed stays.
    void move(std::int32_t left, std::int32_t top, std::int32_t reserved1, std::int32_t reserved2) override;

    /// The panel, or nullptr (not made yet, or deleted by QGIS).
    QgsDockWidget *panel() const;

private:
    void makePanel();
    QgsDockWidget &requirePanel() const;

    Dock m_dock;
    QPointer<QgsDockWidget> m_panel;
    QPointer<mapdesk::FrameWindow> m_content;
    std::unique_ptr<mapdesk::ModelessFrame> m_floating;
    bool m_placedByQgis = false;
};

} // namespace quarnelqgis
