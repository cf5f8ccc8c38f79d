#include "SetDatabaseWatch.h"

#include "PgConnection.h"
#include "SetDatabase.h"

#include <QSocketNotifier>
#include <QtConcurrent/QtConcurrentRun>

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
    connect(&m_retry, &QTimer::timeout, this, &SetDatabaseWatch::listen);
    connect(&m_connecting, &QFutureWatcher<std::shared_ptr<PgConnection>>::finished, this,
            &SetDatabaseWatch::connected);
}

SetDatabaseWatch::~SetDatabaseWatch()
{
    // The connecting thread runs this library's code: the host may unload
    // it once the window is gone.
    m_connecting.disconnect(this);
    m_connecting.waitForFinished();
}

void SetDatabaseWatch::follow(const QString &connection)
{
    if (connection == m_connection && (m_listening || m_retry.isActive() || m_connecting.isRunning()))
        return;
    stop();
    m_connection = connection;
    // What changed between the owner's reading and the first notice heard
    // is told once listening.
    m_missed = true;
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
    m_missed = false;
}

void SetDatabaseWatch::listen()
{
    if (m_connecting.isRunning())
        return;
    const QString connection = m_connection;
    m_connecting.setFuture(QtConcurrent::run([connection]() -> std::shared_ptr<PgConnection> {
        try {
            auto listening = std::make_shared<PgConnection>(connection);
            listening->run((QByteArrayLiteral("LISTEN ") + SetDatabase::channel).constData());
            return listening;
        } catch (...) {
            // The window's own reads report a server that is away.
            return nullptr;
        }
    }));
}

void SetDatabaseWatch::connected()
{
    const std::shared_ptr<PgConnection> listening = m_connecting.result();
    // Stopped or sent elsewhere meanwhile: this connection is not wanted.
    if (m_connection.isEmpty() || m_listening)
        return;
    if (!listening || listening->connectionText() != m_connection) {
        if (!listening)
            dropped();
        else
            listen();
        return;
    }
    m_listening = listening;
    m_socket = std::make_unique<QSocketNotifier>(m_listening->socket(), QSocketNotifier::Read);
    connect(m_socket.get(), &QSocketNotifier::activated, this, &SetDatabaseWatch::heard);
    if (std::exchange(m_missed, false))
        m_settle.start();
}

void SetDatabaseWatch::heard()
{
    if (!m_listening)
        return;
    const bool any = !m_listening->notifications().isEmpty();
    if (m_listening->socket() < 0) {
        // The notifier is the one calling: it goes once it has returned,
        // and hears nothing more from the socket closed meanwhile.
        m_socket->setEnabled(false);
        m_socket.release()->deleteLater();
        m_listening.reset();
        dropped();
        return;
    }
    if (any)
        m_settle.start();
}

void SetDatabaseWatch::dropped()
{
    m_missed = true;
    m_retry.start();
}
