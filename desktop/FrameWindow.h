#pragma once

#include <QPointer>
#include <QWidget>

namespace mapdesk {

/// The window of a modeless frame: a tool window floating over mapdesk's main
/// window that carries one borrowed form widget. Closing it through its title
/// bar only hides it. It never deletes the form: when the window goes (its
/// owner or parent deletes it), a form still inside is taken out first.
class FrameWindow : public QWidget
{
    Q_OBJECT

public:
    explicit FrameWindow(QWidget *parent = nullptr);
    ~FrameWindow() override;

    /// Puts the form widget into the window, replacing any earlier one, and
    /// sizes the window to the form.
    void carry(QWidget *form);
    /// The form widget carried now, or nullptr.
    QWidget *form() const { return m_form; }
    /// Takes the form widget out of the window, leaving it parentless.
    void release();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<QWidget> m_form;
};

} // namespace mapdesk
