#pragma once

#include <QLibrary>

#include <libpq-fe.h>

#include <memory>

/// libpq's functions, loaded when a connection is first made instead of when
/// the program starts: linked in, libpq and the TLS, Kerberos and LDAP
/// libraries it needs would add several milliseconds to every start of
/// quarnel-sets, mapdesk and QGIS, also where no database is used. Each
/// connection and each of its results holds the library; it stays loaded
/// while any of them lives.
class PgLibrary
{
public:
    /// libpq loaded; throws HostError (75) saying why when it cannot be.
    static std::shared_ptr<const PgLibrary> load();

    decltype(&::PQconnectdbParams) connectdbParams = nullptr;
    decltype(&::PQfinish) finish = nullptr;
    decltype(&::PQstatus) status = nullptr;
    decltype(&::PQtransactionStatus) transactionStatus = nullptr;
    decltype(&::PQerrorMessage) errorMessage = nullptr;
    decltype(&::PQsetNoticeProcessor) setNoticeProcessor = nullptr;
    decltype(&::PQsocket) socket = nullptr;
    decltype(&::PQconsumeInput) consumeInput = nullptr;
    decltype(&::PQnotifies) notifies = nullptr;
    decltype(&::PQfreemem) freemem = nullptr;
    decltype(&::PQexec) exec = nullptr;
    decltype(&::PQexecParams) execParams = nullptr;
    decltype(&::PQresultStatus) resultStatus = nullptr;
    decltype(&::PQresultErrorField) resultErrorField = nullptr;
    decltype(&::PQclear) clear = nullptr;
    decltype(&::PQntuples) ntuples = nullptr;
    decltype(&::PQgetvalue) getvalue = nullptr;
    decltype(&::PQgetlength) getlength = nullptr;
    decltype(&::PQgetisnull) getisnull = nullptr;
    decltype(&::PQhost) host = nullptr;
    decltype(&::PQport) port = nullptr;
    decltype(&::PQdb) db = nullptr;
    decltype(&::PQuser) user = nullptr;

private:
    QLibrary m_library;
};
