#pragma once

#include <QString>

#include <exception>
#include <string>

namespace mapdesk {

/// A map document that could not be read or saved. The message names the
/// file and the fault, ready to be shown to the user.
class DocumentError : public std::exception
{
public:
    DocumentError(QString file, QString fault);

    /// The document file concerned.
    const QString &file() const noexcept { return m_file; }
    /// What went wrong, without the file name.
    const QString &fault() const noexcept { return m_fault; }
    /// "<file>: <fault>".
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_file;
    QString m_fault;
    QString m_message;
    std::string m_what;
};

} // namespace mapdesk
