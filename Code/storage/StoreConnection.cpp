#include "StoreConnection.h"

#include <QSettings>

namespace {

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("QuarnelGIS"),
                     QStringLiteral("QuarnelVisibility"));
}

const QString key = QStringLiteral("SetStore/connection");

} // namespace

namespace StoreConnection {

QString chosen()
{
    const QByteArray given = qgetenv("QUARNEL_SETS_STORE");
    if (!given.isNull())
        return QString::fromUtf8(given).trimmed();
    return remembered();
}

QString remembered()
{
    return settings().value(key).toString().trimmed();
}

void remember(const QString &connection)
{
    QSettings kept = settings();
    if (connection.trimmed().isEmpty())
        kept.remove(key);
    else
        kept.setValue(key, connection.trimmed());
}

} // namespace StoreConnection
