#include "PgLibrary.h"

#include "RuntimeError.h"

std::shared_ptr<const PgLibrary> PgLibrary::load()
{
    auto library = std::make_shared<PgLibrary>();
    // libpq's soname: version 5 is every libpq since PostgreSQL 8.
    library->m_library.setFileNameAndVersion(QStringLiteral("pq"), 5);
    if (!library->m_library.load())
        throwRuntimeError(RuntimeError::PathFileAccessError,
                          QStringLiteral("The set store needs PostgreSQL's client library (libpq), which could not "
                                         "be loaded: %1")
                              .arg(library->m_library.errorString()));
    const auto bind = [&library](auto &function, const char *name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library->m_library.resolve(name));
        if (!function)
            throwRuntimeError(RuntimeError::PathFileAccessError,
                              QStringLiteral("The set store needs PostgreSQL's client library (libpq), whose %1 "
                                             "is missing: %2")
                                  .arg(QLatin1String(name), library->m_library.errorString()));
    };
    bind(library->connectdbParams, "PQconnectdbParams");
    bind(library->finish, "PQfinish");
    bind(library->status, "PQstatus");
    bind(library->transactionStatus, "PQtransactionStatus");
    bind(library->errorMessage, "PQerrorMessage");
    bind(library->setNoticeProcessor, "PQsetNoticeProcessor");
    bind(library->socket, "PQsocket");
    bind(library->consumeInput, "PQconsumeInput");
    bind(library->notifies, "PQnotifies");
    bind(library->freemem, "PQfreemem");
    bind(library->exec, "PQexec");
    bind(library->execParams, "PQexecParams");
    bind(library->resultStatus, "PQresultStatus");
    bind(library->resultErrorField, "PQresultErrorField");
    bind(library->clear, "PQclear");
    bind(library->ntuples, "PQntuples");
    bind(library->getvalue, "PQgetvalue");
    bind(library->getlength, "PQgetlength");
    bind(library->getisnull, "PQgetisnull");
    bind(library->host, "PQhost");
    bind(library->port, "PQport");
    bind(library->db, "PQdb");
    bind(library->user, "PQuser");
    return library;
}
