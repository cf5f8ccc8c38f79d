#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class PgConnection;
class QSocketNotifier;

/// Tells its owner when the sets in a team's database changed, anywhere:
/// the server's notices on the channel every change notifies, heard on a
/// connection of its own, with no reading of the tables. A burst of changes
/// is told once. A connection that drops is taken up again a few seconds
/// later, and then a change is told, for what may have been missed. The
/// owning window follows the store only while it is shown.
class SetDatabaseWatch : public QObject
{
    Q_OBJECT

public:
    explicit SetDatabaseWatch(QObject *parent = nullptr);
    ~SetDatabaseWatch() override;

    /// Starts listening at the store `connection` names; empty stops.
    void follow(const QString &connection);
    /// Stops listening.
    void stop();

signals:
    void changed();

private:
    void listen();
    void heard();

    QString m_connection;
    std::unique_ptr<PgConnection> m_listening;
    std::unique_ptr<QSocketNotifier> m_socket;
    QTimer m_settle;
    QTimer m_retry;
};
