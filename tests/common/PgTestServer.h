#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// A PostgreSQL server of a test's own: a cluster made by Debian's initdb
/// in a temporary folder, listening only on a Unix socket there, stopped
/// and removed when the object goes. PostgreSQL refuses to run as root, so
/// under root the cluster belongs to the package's `postgres` user. A test
/// that cannot start one fails at once with the server's log.
class PgTestServer
{
public:
    PgTestServer();
    ~PgTestServer();
    PgTestServer(const PgTestServer &) = delete;
    PgTestServer &operator=(const PgTestServer &) = delete;

    /// Whether the server runs; when not, why() says what failed.
    bool running() const { return m_running; }
    QString why() const { return m_why; }

    /// A libpq connection string to `database` as `user` (the cluster's
    /// superuser when empty).
    QString connection(const QString &database = QStringLiteral("postgres"), const QString &user = QString()) const;
    /// The cluster's superuser.
    QString superuser() const { return m_superuser; }

    /// Stops the server at once, as a crash or a pulled cable would.
    void kill();
    /// Starts it again on the same folder.
    bool start();

private:
    bool run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_superuser;
    QString m_why;
    bool m_running = false;
};
