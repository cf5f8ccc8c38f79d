#include "SetDatabaseWatch.h"

#include "PgConnection.h"
#include "SetDatabase.h"

#include <QSocketNotifier>

namespace {
/// How long after the last notice the change is told.
constexpr int kSettleMs = 50;
/// How long after a dropped connection it is tried again.
constexpr int kRetryMs = 3000;
} // namespace

SetDatabaseWatch::SetDatabaseWatch(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SetDatabaseWatch::changed);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        listen();
        // Changes made while nobody listened are not told by the server.
        if (m_listening)
            m_settle.start();
    });
}

SetDatabaseWatch::~SetDatabaseWatch() = default;

void SetDatabaseWatch::follow(const QString &connection)
{
    if (connection == m_connection && (m_listening || m_retry.isActive()))
        return;
    stop();
    m_connection = connection;
    if (!m_connection.isEmpty())
        listen();
}

void SetDatabaseWatch::stop()
{
    m_socket.reset();
    m_listening.reset();
    m_retry.stop();
    m_settle.stop();
    m_connection.clear();
}

void SetDatabaseWatch::listen()
{
    m_socket.reset();
    m_listening.reset();
    try {
        auto listening = std::make_unique<PgConnection>(m_connection);
        listening->run((QByteArrayLiteral("LISTEN ") + SetDatabase::channel).constData());
        m_socket = std::make_unique<QSocketNotifier>(listening->socket(), QSocketNotifier::Read);
        connect(m_socket.get(), &QSocketNotifier::activated, this, &SetDatabaseWatch::heard);
        m_listening = std::move(listening);
    } catch (...) {
        // The window's own reads report a server that is away; listening
        // is tried again quietly.
        m_retry.start();
    }
}

void SetDatabaseWatch::heard()
{
    if (!m_listening)
        return;
    const bool any = !m_listening->notifications().isEmpty();
    if (m_listening->socket() < 0) {
        // The notifier is the one calling: it goes once it has returned.
        m_socket.release()->deleteLater();
        m_listening.reset();
        m_retry.start();
        return;
    }
    if (any)
        m_settle.start();
}
