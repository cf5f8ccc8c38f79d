#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class PgLibrary;
struct pg_conn;
struct pg_result;

/// The rows a statement returned, owned until the object goes.
class PgResult
{
public:
    /// Takes `result`, cleared through `pq`.
    PgResult(std::shared_ptr<const PgLibrary> pq, pg_result *result);
    int rows() const;
    QString text(int row, int column) const;
    qint64 number(int row, int column) const;
    bool isNull(int row, int column) const;

private:
    std::shared_ptr<const PgLibrary> m_pq;
    std::unique_ptr<pg_result, void (*)(pg_result *)> m_result;
};

/// One connection to a PostgreSQL server through libpq, made from the
/// connection a person gave (a `postgresql://` URI, a `key=value` string
/// such as `service=team`, or an empty text for libpq's own defaults), so
/// that services, `~/.pgpass`, TLS and the environment's PG variables work
/// as libpq documents them. Every failure throws HostError: error 75 with a
/// text naming the server and libpq's reason when the server cannot be
/// reached or the connection drops, error 70 when the role lacks a right.
/// The connection is taken up again at the next statement after it dropped.
class PgConnection
{
public:
    /// Connects at the first statement; `connect_timeout` is 10 seconds
    /// where the connection does not say otherwise.
    explicit PgConnection(const QString &connection);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    /// Runs one statement with text parameters (a null QByteArray is SQL
    /// NULL) and returns its rows.
    PgResult exec(const char *sql, std::initializer_list<QByteArray> params = {});
    /// exec() for a statement that makes a change on its own, outside a
    /// transaction: a connection lost meanwhile leaves it unknown whether
    /// the change was made, and the failure says so.
    PgResult execDeciding(const char *sql, std::initializer_list<QByteArray> params = {});
    /// Runs statements without parameters, as many as `sql` holds.
    void run(const char *sql);
    /// Runs `work` in one transaction: committed when it returns, rolled back
    /// when it throws. A connection found dropped before it starts is taken
    /// up again; a transaction cut off by the server is never repeated.
    void transaction(const std::function<void()> &work);

    /// The connection as it was given.
    QString connectionText() const { return m_connection; }
    /// "host:port/database" as libpq reached it, for messages.
    QString server() const;
    /// The role the connection logged in as.
    QString user() const;
    /// The socket to watch for notifications; -1 when not connected.
    int socket() const;
    /// The channels' payloads that arrived since the last call.
    QStringList notifications();
    /// Makes sure the connection stands, taking it up again when the server
    /// dropped it; throws when it cannot.
    void ensureConnected();

    /// The text of an SQL array of `items`, for a `text[]` parameter.
    static QByteArray textArray(const QStringList &items);

private:
    /// Where a statement stood when it failed, for what the failure says
    /// of the change.
    enum class Phase {
        Reading,  ///< outside a change
        Changing, ///< inside a transaction: a failure keeps nothing of it
        Deciding  ///< committing: the server may have made the change
    };
    Phase phaseNow() const;
    void connect();
    [[noreturn]] void fail(pg_result *result, Phase phase);

    QString m_connection;
    std::shared_ptr<const PgLibrary> m_pq; ///< loaded at the first connection
    pg_conn *m_conn = nullptr;
    bool m_deciding = false;
};
