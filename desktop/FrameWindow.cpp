#include "FrameWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace mapdesk {

FrameWindow::FrameWindow(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

FrameWindow::~FrameWindow()
{
    release();
}

void FrameWindow::carry(QWidget *form)
{
    if (form == m_form)
        return;
    release();
    if (!form)
        return;
    m_form = form;
    const QSize size = form->size();
    layout()->addWidget(form);
    form->show();
    resize(size);
}

void FrameWindow::release()
{
    if (!m_form)
        return;
    QWidget *form = m_form;
    m_form = nullptr;
    layout()->removeWidget(form);
    if (form->parentWidget() == this)
        form->setParent(nullptr);
}

void FrameWindow::closeEvent(QCloseEvent *event)
{
    // The form lives on; the frame is only put out of sight until it is
    // made visible again.
    event->ignore();
    hide();
}

} // namespace mapdesk
