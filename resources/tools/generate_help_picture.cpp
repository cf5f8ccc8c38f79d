// Draws the help page of the add-in as one picture, with a true picture of the
// main window in it, and writes help.png into the folder given on the command
// line (the resources folder when run through the update_help_picture target).

#include "MakerAddresses.h"
#include "QuarnelGISResources.h"
#include "QuarnelGIS_Public.h"
#include "frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTextOption>

#include <cstdio>

namespace {

QFont sans(double points, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

/// The main window as a user first sees it, with a few saved sets.
QPixmap mainWindowPicture()
{
    QuarnelGIS_Public state(nullptr);
    frmMain window(state);
    for (const char *name : {"Field survey", "Flood zones", "Roads only", "Utilities"})
        window.addSetName(QString::fromLatin1(name));
    if (auto *version = window.findChild<QLabel *>(QStringLiteral("txtVersion")))
        version->setText(QStringLiteral("v2.12"));
    return window.grab();
}

QImage helpPage()
{
    QImage page(616, 389, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Banner: logo, company line and the address line that the window's
    // white link strip covers.
    QLinearGradient banner(0, 0, 616, 0);
    banner.setColorAt(0, QColor(214, 222, 230));
    banner.setColorAt(1, Qt::white);
    painter.fillRect(0, 0, 616, 76, banner);
    painter.drawPixmap(6, 13, QPixmap(QStringLiteral(":/quarnel/logo.png")));
    painter.setPen(QColor(128, 0, 0));
    painter.setFont(sans(11, true));
    painter.drawText(QRect(132, 8, 330, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QuarnelGIS"));
    painter.setPen(QColor(60, 60, 60));
    painter.setFont(sans(8));
    painter.drawText(QRect(132, 28, 330, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Map tools for ArcGIS users"));
    painter.drawText(QRect(132, 50, 330, 17), Qt::AlignLeft | Qt::AlignVCenter,
                     MakerAddresses::webHost() + QStringLiteral("      ") + MakerAddresses::infoEmail());
    painter.setPen(QColor(171, 181, 193));
    painter.drawLine(0, 76, 616, 76);

    // Heading and overview.
    painter.setPen(QColor(0, 0, 128));
    painter.setFont(sans(14, true));
    painter.drawText(QRect(16, 84, 590, 26), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("QuarnelVisibility for ArcGIS"));
    painter.setPen(Qt::black);
    painter.setFont(sans(8.5));
    painter.drawText(QRect(16, 112, 590, 34), Qt::TextWordWrap,
                     QStringLiteral("QuarnelVisibility gives you quick access to stored layer visibility settings in "
                                    "your ArcMap project: save which layers are showing under a name, and bring "
                                    "any saved setting back with one click."));

    // A true picture of the main window.
    const QPixmap window = mainWindowPicture();
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(15, 151, window.width() + 1, window.height() + 1);
    painter.drawPixmap(16, 152, window);

    // How to use it.
    const int left = 340;
    painter.setPen(QColor(0, 0, 128));
    painter.setFont(sans(10, true));
    painter.drawText(QRect(left, 150, 260, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("How to use it"));
    painter.setPen(Qt::black);
    painter.setFont(sans(8.5));
    const QString steps[] = {
        QStringLiteral("To store the current configuration, click Save and enter a name when prompted."),
        QStringLiteral("To recall a saved configuration, click one of the names in the list."),
        QStringLiteral("Turn all layers on or off with the On and Off buttons."),
    };
    int top = 176;
    for (const QString &step : steps) {
        painter.setBrush(QColor(128, 0, 0));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(left + 4, top + 8), 3, 3);
        painter.setPen(Qt::black);
        const QRect box(left + 14, top, 250, 46);
        painter.drawText(box, Qt::TextWordWrap, step);
        top += painter.boundingRect(box, Qt::TextWordWrap, step).height() + 10;
    }

    // Footer with the maker's contact channels.
    painter.fillRect(0, 359, 616, 30, QColor(171, 181, 193));
    painter.setPen(Qt::black);
    painter.setFont(sans(8));
    painter.drawText(QRect(0, 359, 616, 30), Qt::AlignCenter,
                     QStringLiteral("Questions or ideas? Write to ") + MakerAddresses::infoEmail()
                         + QStringLiteral(" or ") + MakerAddresses::supportEmail() + QStringLiteral(", or visit ")
                         + MakerAddresses::webHost());
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_help_picture FOLDER\n");
        return 2;
    }
    initQuarnelResources();
    const QString target = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/help.png");
    if (!helpPage().save(target)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
        return 1;
    }
    return 0;
}
