#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

/// The longest gap between the ticks of a 1 ms timer while it lives: how
/// long the interface thread was busy at once.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(1);
        m_last = m_clock.nsecsElapsed();
    }
    /// Up to now: a stretch that ended the wait counts too.
    double longestMs() const { return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
