#include "WindowLook.h"

#include "HostError.h"
#include "HostServices.h"
#include "IFramePosition.h"
#include "IModelessFrame.h"
#include "IScreenMetrics.h"
#include "QuarnelGISResources.h"
#include "RuntimeError.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>

#include <cmath>
#include <limits>

namespace WindowLook {

QColor background()
{
    return QColor(171, 181, 193);
}

QFont font(double pointSize, bool bold, bool underline)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

void paintBackground(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void makePictureButton(QPushButton *button, const QFont &font)
{
    initQuarnelResources();
    button->setFont(font);
    button->setStyleSheet(
        QStringLiteral("QPushButton { border-image: url(:/quarnel/button_face.png) 0 0 0 0 stretch stretch; "
                       "border: 1px solid rgb(96, 104, 116); border-radius: 2px; color: black; }"
                       "QPushButton:pressed { border: 2px inset rgb(96, 104, 116); }"
                       "QPushButton:focus { border: 1px dotted black; }"
                       "QPushButton:disabled { color: rgb(128, 128, 128); }"));
}

QCursor handCursor()
{
    initQuarnelResources();
    const QPixmap hand(QStringLiteral(":/quarnel/hand_cursor.png"));
    if (hand.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(hand, 10, 10);
}

QPixmap logo()
{
    initQuarnelResources();
    return QPixmap(QStringLiteral(":/quarnel/logo.png"));
}

QIcon matchMark()
{
    initQuarnelResources();
    QIcon mark;
    mark.addFile(QStringLiteral(":/quarnel/match.png"));
    mark.addFile(QStringLiteral(":/quarnel/match@2x.png"));
    return mark;
}

QPixmap helpPicture()
{
    initQuarnelResources();
    return QPixmap(QStringLiteral(":/quarnel/help.png"));
}

namespace {
std::int32_t toInt32(double value)
{
    // Halves go to the even neighbour under the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
        throwRuntimeError(RuntimeError::Overflow);
    return static_cast<std::int32_t>(rounded);
}
} // namespace

Position centredPosition(const HostServices &services, double widthTwips, double heightTwips)
{
    IScreenMetrics &screen = services.screen();
    const double t = screen.twipsPerPixelX();
    if (!(t > 0))
        throwRuntimeError(RuntimeError::DivisionByZero);
    return {toInt32(screen.widthTwips() / t / 2 - widthTwips / t / 2),
            toInt32(screen.heightTwips() / t / 2 - heightTwips / t / 2)};
}

void centreFrame(const HostServices &services, const std::shared_ptr<IModelessFrame> &frame, double widthTwips,
                 double heightTwips)
{
    const Position position = centredPosition(services, widthTwips, heightTwips);
    auto placer = std::dynamic_pointer_cast<IFramePosition>(frame);
    if (!placer)
        throwRuntimeError(RuntimeError::TypeMismatch);
    placer->move(position.left, position.top, 0, 0);
}

} // namespace WindowLook
