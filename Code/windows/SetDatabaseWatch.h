#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class PgConnection;
class QSocketNotifier;

/// Tells its owner when the sets in a team's database changed, anywhere:
/// the server's notices on the channel every change notifies, heard on a
/// connection of its own, with no reading of the tables. A burst of changes
/// is told once. The connection is made off the interface thread, so that a
/// server that does not answer never holds the window; one that drops is
/// taken up again a few seconds later, and then a change is told, for what
/// may have been missed. The owning window follows the store only while it
/// is shown.
class SetDatabaseWatch : public QObject
{
    Q_OBJECT

public:
    explicit SetDatabaseWatch(QObject *parent = nullptr);
    /// Waits for a connection being made.
    ~SetDatabaseWatch() override;

    /// Starts listening at the store `connection` names; empty stops.
    void follow(const QString &connection);
    /// Stops listening.
    void stop();

signals:
    void changed();

private:
    void listen();
    void connected();
    void heard();
    void dropped();

    QString m_connection;
    std::shared_ptr<PgConnection> m_listening;
    std::unique_ptr<QSocketNotifier> m_socket;
    QFutureWatcher<std::shared_ptr<PgConnection>> m_connecting;
    bool m_missed = false; ///< changes may have been made while nobody listened
    QTimer m_settle;
    QTimer m_retry;
};
