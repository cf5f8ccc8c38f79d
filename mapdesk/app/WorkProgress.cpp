#include "WorkProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <memory>

namespace mapdesk {

WorkProgress::WorkProgress(QMainWindow *window, int delayMs) : m_window(window), m_delayMs(delayMs)
{
    m_clock.start();
    // Shown once the delay is over, also while one item takes long.
    QTimer::singleShot(std::max(0, delayMs), this, [this] {
        if (!m_panel && !m_cancelled && m_total > 0) {
            show();
            showStep();
        }
    });
}

void WorkProgress::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelRequested();
}

WorkProgress::~WorkProgress()
{
    for (const QPointer<QWidget> &widget : m_blocked)
        if (widget)
            widget->setEnabled(true);
    if (m_panel) {
        m_window->statusBar()->removeWidget(m_panel);
        delete m_panel.data();
    }
}

namespace {

/// The progress's widgets: the item's text, a bar and a button to cancel,
/// in a panel that owns them.
struct Panel
{
    QWidget *panel;
    QLabel *label;
    QProgressBar *bar;
    QPushButton *cancel;
};

Panel progressPanel(const QString &cancelText)
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("workProgress"));
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel;
    label->setObjectName(QStringLiteral("workProgressText"));
    auto *bar = new QProgressBar;
    bar->setObjectName(QStringLiteral("workProgressBar"));
    bar->setMaximumWidth(200);
    auto *cancel = new QPushButton(cancelText);
    cancel->setObjectName(QStringLiteral("workProgressCancel"));
    cancel->setShortcut(Qt::Key_Escape);
    layout->addWidget(label, 1);
    layout->addWidget(bar);
    layout->addWidget(cancel);
    return {panel, label, bar, cancel};
}

} // namespace

void WorkProgress::reserveRoom(QMainWindow *window)
{
    QStatusBar *status = window->statusBar();
    const std::unique_ptr<QWidget> panel(progressPanel(tr("Cancel")).panel);
    status->addWidget(panel.get(), 1);
    const int height = status->sizeHint().height();
    status->removeWidget(panel.get());
    status->setMinimumHeight(std::max(status->minimumHeight(), height));
}

void WorkProgress::show()
{
    const Panel made = progressPanel(tr("Cancel"));
    m_label = made.label;
    m_bar = made.bar;
    connect(made.cancel, &QPushButton::clicked, this, &WorkProgress::cancel);
    m_window->statusBar()->clearMessage();
    m_window->statusBar()->addWidget(made.panel, 1);
    m_panel = made.panel;

    // Only the progress takes input while events are handled between items.
    std::vector<QWidget *> parts{m_window->menuBar(), m_window->centralWidget()};
    for (QToolBar *toolbar : m_window->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly))
        parts.push_back(toolbar);
    for (QWidget *part : parts) {
        if (part && part->isEnabled()) {
            part->setEnabled(false);
            m_blocked.emplace_back(part);
        }
    }
}

bool WorkProgress::step(const QString &text, int done, int total)
{
    if (m_cancelled)
        return false;
    if (!m_panel && m_clock.elapsed() >= m_delayMs)
        show();
    m_text = text;
    m_done = done;
    m_total = total;
    showStep();
    return !m_cancelled;
}

void WorkProgress::showStep()
{
    if (!m_panel)
        return;
    m_label->setText(tr("%1 (%2 of %3)").arg(m_text).arg(m_done + 1).arg(m_total));
    m_bar->setRange(0, m_total);
    m_bar->setValue(m_done);
}

} // namespace mapdesk
