#pragma once

#include "IFramePosition.h"
#include "IModelessFrame.h"

#include <QPointer>

class QWidget;

namespace mapdesk {

class FrameWindow;

/// mapdesk's modeless frame: floats an add-in's form over the main window in
/// a tool window of its own, without ever blocking the application.
///
/// The frame owns its window (deleted with the frame, unless its parent, the
/// main window, deleted it first) and only borrows the form: the form's owner
/// keeps it, and a form still inside when the window goes is taken out.
class ModelessFrame : public IModelessFrame, public IFramePosition
{
public:
    /// A hidden frame whose window floats over `owner` (may be nullptr).
    explicit ModelessFrame(QWidget *owner = nullptr);
    ~ModelessFrame() override;
    ModelessFrame(const ModelessFrame &) = delete;
    ModelessFrame &operator=(const ModelessFrame &) = delete;

    /// Puts the form's widget into the frame, sized to the form, then runs
    /// the form's load step.
    void attach(IForm *form) override;
    /// Shows and raises the frame, or hides it.
    void setVisible(bool visible) override;
    void setCaption(const QString &caption) override;
    /// Places the frame window's top-left corner at (left, top) screen pixels.
    void move(std::int32_t left, std::int32_t top, std::int32_t reserved1, std::int32_t reserved2) override;

    /// The frame's window, or nullptr once its parent has deleted it.
    FrameWindow *window() const;

private:
    FrameWindow &requireWindow() const;

    QPointer<FrameWindow> m_window;
};

} // namespace mapdesk
