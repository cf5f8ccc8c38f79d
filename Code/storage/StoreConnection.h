#pragma once

#include <QString>

/// Where a person keeps the sets: the set file (an empty connection) or a
/// team's PostgreSQL database, named by a libpq connection URI
/// (`postgresql://…`) or connection string (`service=team`). The
/// environment's QUARNEL_SETS_STORE comes first, then the user's settings,
/// which mapdesk, the QGIS plugin and quarnel-sets share. Passwords belong in
/// `~/.pgpass` or the service file, never here.
namespace StoreConnection {
/// The connection every program uses unless told otherwise.
QString chosen();
/// The connection kept in the user's settings.
QString remembered();
/// Keeps `connection` in the user's settings; empty goes back to the file.
void remember(const QString &connection);
} // namespace StoreConnection
