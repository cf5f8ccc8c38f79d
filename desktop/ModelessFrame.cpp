#include "ModelessFrame.h"

#include "Com.h"
#include "FrameWindow.h"
#include "HostError.h"
#include "IForm.h"

namespace mapdesk {

ModelessFrame::ModelessFrame(QWidget *owner) : m_window(new FrameWindow(owner)) {}

ModelessFrame::~ModelessFrame()
{
    // The window gives back the form before it goes (FrameWindow's destructor).
    delete m_window.data();
}

FrameWindow *ModelessFrame::window() const
{
    return m_window;
}

FrameWindow &ModelessFrame::requireWindow() const
{
    if (!m_window)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The frame's window has been closed"));
    return *m_window;
}

void ModelessFrame::attach(IForm *form)
{
    if (!form)
        throw HostError(Com::E_POINTER, QStringLiteral("No form to attach"));
    requireWindow().carry(form->formWidget());
    form->formLoad();
}

void ModelessFrame::setVisible(bool visible)
{
    FrameWindow &window = requireWindow();
    if (visible) {
        window.show();
        window.raise();
        window.activateWindow();
    } else {
        window.hide();
    }
}

void ModelessFrame::setCaption(const QString &caption)
{
    requireWindow().setWindowTitle(caption);
}

void ModelessFrame::move(std::int32_t left, std::int32_t top, std::int32_t /*reserved1*/, std::int32_t /*reserved2*/)
{
    requireWindow().move(left, top);
}

} // namespace mapdesk
