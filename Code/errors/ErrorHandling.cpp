#include "ErrorHandling.h"

#include "HostError.h"
#include "HostServices.h"
#include "IMessageBox.h"
#include "MakerAddresses.h"
#include "QuarnelGIS_Public.h"

#include <QStringList>

#include <exception>
#include <new>

namespace ErrorHandling {

QString lineTag(std::int32_t statement)
{
    if (statement == 0)
        return QString();
    return QStringLiteral("Line : ") + QString::number(statement);
}

QString reportText(const QString &location, std::int32_t number, const QString &description)
{
    const QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    const QStringList lines{
        QStringLiteral("We're sorry, an unexpected error has occurred."),
        QString(),
        QStringLiteral("Please email ") + MakerAddresses::supportEmail() + QStringLiteral(" and we'll"),
        QStringLiteral("be happy to help out."),
        QString(),
        QStringLiteral("Please let us know the following:"),
        QString(),
        QStringLiteral("APPLICATION: ") + state.productName + QStringLiteral(" ") + state.productVersion,
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

void reportUnexpectedError(const QString &location, std::int32_t number, const QString &description)
{
    HostServices::messageBox().show(reportText(location, number, description), QStringLiteral("QuarnelVisibility"));
}

Failure currentFailure()
{
    try {
        throw;
    } catch (const HostError &error) {
        return {error.number(), error.description()};
    } catch (const std::bad_alloc &) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception &error) {
        return {HostError::E_FAIL_NUMBER, QString::fromLocal8Bit(error.what())};
    } catch (...) {
        return {HostError::E_FAIL_NUMBER, QStringLiteral("Unspecified error")};
    }
}

void reportCurrentFailure(const QString &procedure, const QString &module, std::int32_t statement)
{
    try {
        const Failure failure = currentFailure();
        reportUnexpectedError(procedure + module + QStringLiteral(" ") + lineTag(statement), failure.number,
                              failure.description);
    } catch (...) {
        // The report itself has no guard beyond this: a host without a message
        // box cannot show it, and the handler must still end normally.
    }
}

} // namespace ErrorHandling
