#include "ScreenService.h"

#include "HostError.h"

#include <QGuiApplication>
#include <QScreen>

namespace mapdesk {

namespace {
QScreen &primaryScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The desktop has no screen"));
    return *screen;
}
} // namespace

double ScreenService::twipsPerPixelX()
{
    const double dpi = primaryScreen().logicalDotsPerInchX();
    if (dpi <= 0)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The screen reports no resolution"));
    return 1440.0 / dpi;
}

double ScreenService::widthTwips()
{
    return primaryScreen().size().width() * twipsPerPixelX();
}

double ScreenService::heightTwips()
{
    return primaryScreen().size().height() * twipsPerPixelX();
}

} // namespace mapdesk
