#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <vector>

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QWidget;

namespace mapdesk {

/// The progress of one long piece of work of the main window (opening a
/// document, adding data) that runs while the window handles its events,
/// told before each item. Once the work has taken longer than the delay it
/// shows, in the window's status bar, the item being read with "n of N", a
/// bar and a Cancel button (Escape too); meanwhile the window's menus,
/// toolbars and views take no input. Made for one piece of work; takes its
/// widgets away and gives the input back when destroyed.
class WorkProgress : public QObject
{
    Q_OBJECT

public:
    WorkProgress(QMainWindow *window, int delayMs);
    ~WorkProgress() override;
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    /// Before item `done` of `total` (0-based), described by `text`. False once
    /// the work was cancelled: the caller stops.
    bool step(const QString &text, int done, int total);
    /// Stops the work: emits cancelRequested() the first time.
    void cancel();
    bool cancelled() const { return m_cancelled; }
    /// Whether the progress is showing.
    bool shown() const { return m_panel != nullptr; }
    /// Makes `window`'s status bar as tall as with a progress in it, so that
    /// its views keep their size, and a map its drawing, when work begins
    /// and ends.
    static void reserveRoom(QMainWindow *window);

signals:
    /// Cancel was chosen, or cancel() called.
    void cancelRequested();

private:
    void show();
    void showStep();

    QMainWindow *m_window;
    int m_delayMs;
    QElapsedTimer m_clock;
    bool m_cancelled = false;
    QPointer<QWidget> m_panel; ///< owned by the status bar while shown
    QLabel *m_label = nullptr;
    QProgressBar *m_bar = nullptr;
    QString m_text;
    int m_done = 0;
    int m_total = 0;
    std::vector<QPointer<QWidget>> m_blocked; ///< what this object took the input from
};

} // namespace mapdesk
