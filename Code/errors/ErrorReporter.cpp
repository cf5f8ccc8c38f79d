#include "ErrorReporter.h"

#include "ErrorHandling.h"
#include "HostServices.h"
#include "IMessageBox.h"
#include "MakerAddresses.h"
#include "ProductNames.h"

#include <QStringList>

ErrorReporter::ErrorReporter(const HostServices &services, QString productName, QString productVersion)
    : m_services(services), m_productName(std::move(productName)), m_productVersion(std::move(productVersion))
{
}

QString ErrorReporter::reportText(const QString &location, std::int32_t number, const QString &description) const
{
    const QStringList lines{
        QStringLiteral("We're sorry, an unexpected error has occurred."),
        QString(),
        QStringLiteral("Please email ") + MakerAddresses::supportEmail() + QStringLiteral(" and we'll"),
        QStringLiteral("be happy to help out."),
        QString(),
        QStringLiteral("Please let us know the following:"),
        QString(),
        QStringLiteral("APPLICATION: ") + m_productName + QStringLiteral(" ") + m_productVersion,
        QStringLiteral("ERROR NUMBER: ") + QString::number(number),
        QStringLiteral("MODULE: ") + location,
        QStringLiteral("ERROR DESCRIPTION: ") + description,
        QString(),
        QStringLiteral("If possible, please attach a screenshot of this"),
        QStringLiteral("message with your ArcMap project in the background."),
        QStringLiteral("You can do this by pressing <CTRL> and <Prnt Screen>"),
        QStringLiteral("and then pasting the image into a graphics application"),
        QStringLiteral("such as Paint. Saving the image as a JPG is preferrable."),
        QString(),
        QStringLiteral("Thank you!"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void ErrorReporter::reportUnexpectedError(const QString &location, std::int32_t number,
                                          const QString &description) const
{
    m_services.messageBox().show(reportText(location, number, description), ProductNames::product());
}

void ErrorReporter::reportCurrentFailure(const QString &procedure, const QString &module,
                                         std::int32_t statement) const noexcept
{
    try {
        const ErrorHandling::Failure failure = ErrorHandling::currentFailure();
        reportUnexpectedError(procedure + module + QStringLiteral(" ") + ErrorHandling::lineTag(statement),
                              failure.number, failure.description);
    } catch (...) {
        // The report itself has no guard beyond this: a host without a message
        // box cannot show it, and the handler must still end normally.
    }
}
