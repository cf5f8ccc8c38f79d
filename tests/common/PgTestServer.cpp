#include "PgTestServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace {

/// The newest installed server's programs.
QString serverPrograms()
{
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = versions.rbegin(); it != versions.rend(); ++it) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*it);
        if (QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

} // namespace

PgTestServer::PgTestServer() : m_dir(QDir::tempPath() + QStringLiteral("/pg-XXXXXX"))
{
    m_bin = serverPrograms();
    if (m_bin.isEmpty()) {
        m_why = QStringLiteral("no PostgreSQL server is installed under /usr/lib/postgresql");
        return;
    }
    if (::geteuid() == 0) {
        const passwd *postgres = ::getpwnam("postgres");
        if (!postgres || ::chown(m_dir.path().toLocal8Bit().constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
            m_why = QStringLiteral("no postgres user owns the server's folder");
            return;
        }
        m_superuser = QStringLiteral("postgres");
    } else {
        m_superuser = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    }
    if (!run(m_bin + QStringLiteral("/initdb"),
             {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"), QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-U"), m_superuser, QStringLiteral("--no-sync")}))
        return;
    start();
}

PgTestServer::~PgTestServer()
{
    if (m_running)
        kill();
}

bool PgTestServer::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program}
                          + arguments);
    else
        process.start(program, arguments);
    const bool ok =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok) {
        QFile log(m_dir.path() + QStringLiteral("/log"));
        log.open(QIODevice::ReadOnly);
        m_why = QStringLiteral("%1 failed: %2\n%3")
                    .arg(program, QString::fromLocal8Bit(process.readAll()), QString::fromLocal8Bit(log.readAll()));
    }
    return ok;
}

bool PgTestServer::start()
{
    // Only a socket in the folder: no port is taken, no other test is met.
    m_running =
        run(m_bin + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"), QStringLiteral("-l"),
             m_dir.path() + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("-o"),
             QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off -c max_connections=60").arg(m_dir.path()),
             QStringLiteral("start")});
    return m_running;
}

void PgTestServer::kill()
{
    run(m_bin + QStringLiteral("/pg_ctl"), {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"),
                                            QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
    m_running = false;
}

QString PgTestServer::connection(const QString &database, const QString &user) const
{
    return QStringLiteral("host=%1 dbname=%2 user=%3 connect_timeout=5")
        .arg(m_dir.path(), database, user.isEmpty() ? m_superuser : user);
}
