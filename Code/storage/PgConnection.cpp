#include "PgConnection.h"

#include "PgLibrary.h"
#include "RuntimeError.h"

#include <poll.h>

#include <cstring>
#include <vector>

PgResult::PgResult(std::shared_ptr<const PgLibrary> pq, pg_result *result)
    : m_pq(std::move(pq)), m_result(result, m_pq->clear)
{
}

int PgResult::rows() const
{
    return m_pq->ntuples(m_result.get());
}

QString PgResult::text(int row, int column) const
{
    return QString::fromUtf8(m_pq->getvalue(m_result.get(), row, column), m_pq->getlength(m_result.get(), row, column));
}

qint64 PgResult::number(int row, int column) const
{
    return QByteArray(m_pq->getvalue(m_result.get(), row, column)).toLongLong();
}

bool PgResult::isNull(int row, int column) const
{
    return m_pq->getisnull(m_result.get(), row, column);
}

PgConnection::PgConnection(const QString &connection) : m_connection(connection) {}

PgConnection::~PgConnection()
{
    if (m_conn)
        m_pq->finish(m_conn);
}

void PgConnection::connect()
{
    if (!m_pq)
        m_pq = PgLibrary::load();
    if (m_conn)
        m_pq->finish(m_conn);
    // The person's connection is expanded in place of dbname: what it says
    // overrides the defaults before it; the encoding after it is ours. A
    // server that goes quiet in the middle of a statement is given up after
    // about as long as one that cannot be reached at all.
    const QByteArray given = m_connection.toUtf8();
    std::vector<const char *> keys = {"connect_timeout",     "tcp_user_timeout", "keepalives_idle",
                                      "keepalives_interval", "keepalives_count", "fallback_application_name"};
    std::vector<const char *> values = {"10", "10000", "5", "2", "3", "quarnel"};
    if (!given.isEmpty()) {
        keys.push_back("dbname");
        values.push_back(given.constData());
    }
    keys.push_back("client_encoding");
    values.push_back("UTF8");
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = m_pq->connectdbParams(keys.data(), values.data(), 1);
    if (!m_conn)
        throwRuntimeError(RuntimeError::OutOfMemory);
    // The server's notices (a shutdown's warning, say) are not for a
    // person's terminal: what matters comes back as an error.
    m_pq->setNoticeProcessor(
        m_conn, [](void *, const char *) {}, nullptr);
    if (m_pq->status(m_conn) != CONNECTION_OK)
        throwRuntimeError(RuntimeError::PathFileAccessError,
                          QStringLiteral("The set store at %1 could not be reached: %2")
                              .arg(server(), QString::fromUtf8(m_pq->errorMessage(m_conn)).trimmed()));
    // A change waits this long for another to end, then is refused.
    m_pq->clear(m_pq->exec(m_conn, "SET lock_timeout = '10s'"));
}

void PgConnection::ensureConnected()
{
    if (m_conn && m_pq->status(m_conn) == CONNECTION_OK && m_pq->transactionStatus(m_conn) == PQTRANS_IDLE) {
        // A server that ended the session has said so on the socket and
        // closed it: read both now, so that the statement goes to a new
        // session instead.
        pollfd ready{m_pq->socket(m_conn), POLLIN, 0};
        for (int reads = 0; reads < 8 && m_pq->status(m_conn) == CONNECTION_OK && ::poll(&ready, 1, 0) > 0; ++reads)
            if (!m_pq->consumeInput(m_conn))
                break;
    }
    if (!m_conn || m_pq->status(m_conn) != CONNECTION_OK)
        connect();
}

PgResult PgConnection::exec(const char *sql, std::initializer_list<QByteArray> params)
{
    if (!m_conn || m_pq->transactionStatus(m_conn) == PQTRANS_IDLE || m_pq->status(m_conn) != CONNECTION_OK)
        ensureConnected();
    const Phase phase = phaseNow();
    std::vector<const char *> values;
    std::vector<int> lengths;
    for (const QByteArray &param : params) {
        values.push_back(param.isNull() ? nullptr : param.constData());
        lengths.push_back(int(param.size()));
    }
    pg_result *result =
        m_pq->execParams(m_conn, sql, int(values.size()), nullptr, values.data(), lengths.data(), nullptr, 0);
    const ExecStatusType status = m_pq->resultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result, phase);
    return PgResult(m_pq, result);
}

void PgConnection::run(const char *sql)
{
    if (!m_conn || m_pq->transactionStatus(m_conn) == PQTRANS_IDLE || m_pq->status(m_conn) != CONNECTION_OK)
        ensureConnected();
    const Phase phase = phaseNow();
    pg_result *result = m_pq->exec(m_conn, sql);
    const ExecStatusType status = m_pq->resultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result, phase);
    m_pq->clear(result);
}

PgConnection::Phase PgConnection::phaseNow() const
{
    if (m_deciding)
        return Phase::Deciding;
    return m_pq->transactionStatus(m_conn) == PQTRANS_INTRANS ? Phase::Changing : Phase::Reading;
}

void PgConnection::fail(pg_result *result, Phase phase)
{
    const QString state = QString::fromLatin1(m_pq->resultErrorField(result, PG_DIAG_SQLSTATE));
    QString reason = QString::fromUtf8(m_pq->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    if (reason.isEmpty())
        reason = QString::fromUtf8(m_pq->errorMessage(m_conn)).trimmed();
    m_pq->clear(result);
    if (m_pq->status(m_conn) != CONNECTION_OK) {
        // Cut off while the server decided, the change may have been made:
        // only the store can tell, and the list shows it.
        const QString told = phase == Phase::Deciding
                                 ? QStringLiteral("The set store at %1 went away before it confirmed the change: %2. "
                                                  "It may have been made or not; the list shows what the store "
                                                  "holds once it is back.")
                             : phase == Phase::Changing
                                 ? QStringLiteral("The set store at %1 went away: %2. Nothing of this change was kept.")
                                 : QStringLiteral("The set store at %1 went away: %2.");
        throwRuntimeError(RuntimeError::PathFileAccessError, told.arg(server(), reason));
    }
    if (state == QLatin1String("42501"))
        throwRuntimeError(RuntimeError::PermissionDenied,
                          QStringLiteral("The role \"%1\" may list and restore the sets at %2, but not change "
                                         "them (%3).")
                              .arg(user(), server(), reason));
    if (state == QLatin1String("55P03"))
        throwRuntimeError(RuntimeError::PermissionDenied,
                          QStringLiteral("The sets at %1 are being changed by someone else; nothing was changed. "
                                         "Try again in a moment.")
                              .arg(server()));
    if (state == QLatin1String("54000"))
        throwRuntimeError(RuntimeError::BadFileNameOrNumber,
                          QStringLiteral("A name is too long for the set store at %1, which holds names of up to "
                                         "about 2,700 bytes; nothing was changed (%2).")
                              .arg(server(), reason));
    if (state == QLatin1String("3F000") || state == QLatin1String("42P01"))
        throwRuntimeError(RuntimeError::PathNotFound,
                          QStringLiteral("The database at %1 holds no sets yet: \"quarnel-sets db init\" makes "
                                         "their tables (%2).")
                              .arg(server(), reason));
    throwRuntimeError(RuntimeError::PathFileAccessError,
                      QStringLiteral("The set store at %1 refused the change: %2").arg(server(), reason));
}

void PgConnection::transaction(const std::function<void()> &work)
{
    ensureConnected();
    exec("BEGIN");
    try {
        work();
        m_deciding = true;
        exec("COMMIT");
        m_deciding = false;
    } catch (...) {
        m_deciding = false;
        if (m_pq->status(m_conn) == CONNECTION_OK && m_pq->transactionStatus(m_conn) != PQTRANS_IDLE)
            m_pq->clear(m_pq->exec(m_conn, "ROLLBACK"));
        throw;
    }
}

PgResult PgConnection::execDeciding(const char *sql, std::initializer_list<QByteArray> params)
{
    m_deciding = true;
    try {
        PgResult result = exec(sql, params);
        m_deciding = false;
        return result;
    } catch (...) {
        m_deciding = false;
        throw;
    }
}

QString PgConnection::server() const
{
    const char *host = m_conn ? m_pq->host(m_conn) : nullptr;
    const char *port = m_conn ? m_pq->port(m_conn) : nullptr;
    const char *database = m_conn ? m_pq->db(m_conn) : nullptr;
    QString text = host && *host ? QString::fromUtf8(host) : QStringLiteral("localhost");
    if (port && *port)
        text += QLatin1Char(':') + QString::fromUtf8(port);
    if (database && *database)
        text += QLatin1Char('/') + QString::fromUtf8(database);
    return text;
}

QString PgConnection::user() const
{
    return m_conn ? QString::fromUtf8(m_pq->user(m_conn)) : QString();
}

int PgConnection::socket() const
{
    return m_conn && m_pq->status(m_conn) == CONNECTION_OK ? m_pq->socket(m_conn) : -1;
}

QStringList PgConnection::notifications()
{
    QStringList payloads;
    if (!m_conn || !m_pq->consumeInput(m_conn))
        return payloads;
    while (PGnotify *notice = m_pq->notifies(m_conn)) {
        payloads << QString::fromUtf8(notice->extra);
        m_pq->freemem(notice);
    }
    return payloads;
}

QByteArray PgConnection::textArray(const QStringList &items)
{
    QByteArray text("{");
    for (const QString &item : items) {
        if (text.size() > 1)
            text += ',';
        text += '"';
        for (const char c : item.toUtf8()) {
            if (c == '"' || c == '\\')
                text += '\\';
            text += c;
        }
        text += '"';
    }
    return text + '}';
}
