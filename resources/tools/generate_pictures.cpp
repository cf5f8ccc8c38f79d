// Draws the add-in's pictures and writes them as PNG files into the folder
// given on the command line (the resources folder when run through the
// update_pictures target). The committed PNGs are this program's output.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>

#include <cstdio>
#include <map>

namespace {

const QColor emblemDark(88, 112, 94);
const QColor emblemMid(128, 150, 126);
const QColor emblemLight(178, 194, 170);
const QColor letterBlue(0, 0, 192);

/// An image from rows of characters, one character a pixel.
QImage fromRows(const QStringList &rows, const std::map<QChar, QColor> &colours, QImage::Format format)
{
    const int width = int(rows.first().size());
    QImage image(width, int(rows.size()), format);
    image.fill(Qt::transparent);
    for (int y = 0; y < rows.size(); ++y) {
        if (rows[y].size() != width)
            qFatal("row %d is %d wide, not %d", y, int(rows[y].size()), width);
        for (int x = 0; x < width; ++x) {
            const auto colour = colours.find(rows[y][x]);
            if (colour == colours.end())
                qFatal("unknown pixel '%c' at (%d, %d)", rows[y][x].toLatin1(), x, y);
            image.setPixelColor(x, y, colour->second);
        }
    }
    return image;
}

/// The toolbar button: a grey-green globe above the blue letters V and S, on
/// white, 16 x 16 pixels, 24 bits.
QImage commandBitmap()
{
    const QStringList rows{
        QStringLiteral("......dddd......"), QStringLiteral("....ddgllgdd...."), QStringLiteral("...dglgllglgd..."),
        QStringLiteral("...dlllllllld..."), QStringLiteral("...dglgllglgd..."), QStringLiteral("....ddgllgdd...."),
        QStringLiteral("......dddd......"), QStringLiteral("................"), QStringLiteral(".bb...bb...bbbb."),
        QStringLiteral(".bb...bb..bb..bb"), QStringLiteral(".bb...bb..bb...."), QStringLiteral("..bb.bb....bbbb."),
        QStringLiteral("..bb.bb.......bb"), QStringLiteral("...bbb....bb..bb"), QStringLiteral("....b......bbbb."),
        QStringLiteral("................"),
    };
    return fromRows(rows,
                    {{u'.', Qt::white}, {u'd', emblemDark}, {u'g', emblemMid}, {u'l', emblemLight}, {u'b', letterBlue}},
                    QImage::Format_RGB888);
}

/// The pointing hand shown over buttons, lists and links: 32 x 32 with
/// transparency; the tip of the index finger is the pixel (10, 10).
QImage handCursor()
{
    const QStringList rows{
        QStringLiteral("................................"), QStringLiteral("................................"),
        QStringLiteral("................................"), QStringLiteral("................................"),
        QStringLiteral("................................"), QStringLiteral("................................"),
        QStringLiteral("................................"), QStringLiteral("................................"),
        QStringLiteral("................................"), QStringLiteral("................................"),
        QStringLiteral(".........KKK...................."), QStringLiteral("........KWWWK..................."),
        QStringLiteral("........KWWWK..................."), QStringLiteral("........KWWWK..................."),
        QStringLiteral("........KWWWK..................."), QStringLiteral("........KWWWKKKK................"),
        QStringLiteral("........KWWWKWWWKKKK............"), QStringLiteral("........KWWWKWWWKWWWKKK........."),
        QStringLiteral("..KK....KWWWKWWWKWWWKWWK........"), QStringLiteral(".KWWK...KWWWWWWWWWWWWWWK........"),
        QStringLiteral(".KWWWK..KWWWWWWWWWWWWWWK........"), QStringLiteral("..KWWWK.KWWWWWWWWWWWWWWK........"),
        QStringLiteral("...KWWWKKWWWWWWWWWWWWWWK........"), QStringLiteral("....KWWWWWWWWWWWWWWWWWWK........"),
        QStringLiteral(".....KWWWWWWWWWWWWWWWWWK........"), QStringLiteral("......KWWWWWWWWWWWWWWWWK........"),
        QStringLiteral(".......KWWWWWWWWWWWWWWK........."), QStringLiteral("........KWWWWWWWWWWWWK.........."),
        QStringLiteral("........KWWWWWWWWWWWWK.........."), QStringLiteral("........KKKKKKKKKKKKKK.........."),
        QStringLiteral("................................"), QStringLiteral("................................"),
    };
    return fromRows(rows, {{u'.', Qt::transparent}, {u'K', Qt::black}, {u'W', Qt::white}}, QImage::Format_ARGB32);
}

/// The face under the captions of the picture buttons: a light gradient from
/// left to right, stretched to each button's size.
QImage buttonFace()
{
    QImage image(64, 22, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), 0);
    gradient.setColorAt(0.0, QColor(248, 250, 252));
    gradient.setColorAt(1.0, QColor(208, 217, 228));
    painter.fillRect(image.rect(), gradient);
    return image;
}

/// The globe of the maker's emblem, drawn into `bounds`.
void drawEmblem(QPainter &painter, const QRectF &bounds)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(bounds.center() - QPointF(bounds.width() / 5, bounds.height() / 5), bounds.width() * 0.7);
    shade.setColorAt(0.0, emblemLight);
    shade.setColorAt(1.0, emblemMid);
    painter.setPen(QPen(emblemDark, 1.5));
    painter.setBrush(shade);
    painter.drawEllipse(bounds);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(emblemDark, 1.0));
    const QPointF centre = bounds.center();
    painter.drawEllipse(centre, bounds.width() / 4, bounds.height() / 2);
    painter.drawLine(QPointF(centre.x(), bounds.top()), QPointF(centre.x(), bounds.bottom()));
    painter.drawLine(QPointF(bounds.left(), centre.y()), QPointF(bounds.right(), centre.y()));
    const double offset = bounds.height() / 4;
    const double halfChord = bounds.width() / 2 * 0.866;
    painter.drawLine(QPointF(centre.x() - halfChord, centre.y() - offset),
                     QPointF(centre.x() + halfChord, centre.y() - offset));
    painter.drawLine(QPointF(centre.x() - halfChord, centre.y() + offset),
                     QPointF(centre.x() + halfChord, centre.y() + offset));
    painter.restore();
}

/// The largest font of `family` up to `largest` pixels in which `text` fits `width`.
QFont fittingFont(const QString &family, bool bold, int largest, const QString &text, int width,
                  qreal letterSpacing = 0)
{
    QFont font(family);
    font.setBold(bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    font.setHintingPreference(QFont::PreferFullHinting);
    for (int size = largest; size > 6; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            break;
    }
    return font;
}

/// The maker's logo, 120 x 50: emblem and name above the web site's host name.
QImage makerLogo()
{
    QImage image(120, 50, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(emblemDark);
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    drawEmblem(painter, QRectF(6, 5, 24, 24));

    const QString maker = QStringLiteral("Quarnel");
    const QString gis = QStringLiteral("GIS");
    const QRect nameBox(35, 5, 81, 24);
    painter.setFont(fittingFont(QStringLiteral("DejaVu Sans"), true, 15, maker + gis, nameBox.width()));
    painter.setPen(emblemDark);
    painter.drawText(nameBox, Qt::AlignVCenter | Qt::AlignLeft, maker);
    painter.setPen(letterBlue);
    painter.drawText(nameBox.adjusted(painter.fontMetrics().horizontalAdvance(maker), 0, 0, 0),
                     Qt::AlignVCenter | Qt::AlignLeft, gis);

    // Spaced out a little, so that "rn" does not read as "m" at this size.
    const QString host = QStringLiteral("www.quarnelgis.com");
    const QRect hostBox(3, 33, 114, 14);
    painter.setFont(fittingFont(QStringLiteral("DejaVu Sans Condensed"), false, 12, host, hostBox.width(), 1.0));
    painter.drawText(hostBox, Qt::AlignCenter, host);
    return image;
}

/// The mark beside a set that the layers shown now match: a white tick on a
/// green disc, `size` pixels square with transparency (12 for the list, 24
/// for screens of twice the density).
QImage matchMark(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 12.0, size / 12.0);
    painter.setPen(QPen(QColor(24, 110, 52), 0.8));
    painter.setBrush(QColor(46, 160, 80));
    painter.drawEllipse(QRectF(0.5, 0.5, 11, 11));
    QPainterPath tick;
    tick.moveTo(3.2, 6.2);
    tick.lineTo(5.2, 8.2);
    tick.lineTo(8.9, 3.9);
    painter.setPen(QPen(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    return image;
}

bool save(const QImage &image, const QString &folder, const QString &name)
{
    const QString path = folder + QLatin1Char('/') + name;
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool written = save(commandBitmap(), folder, QStringLiteral("command16.png"))
                         && save(handCursor(), folder, QStringLiteral("hand_cursor.png"))
                         && save(buttonFace(), folder, QStringLiteral("button_face.png"))
                         && save(makerLogo(), folder, QStringLiteral("logo.png"))
                         && save(matchMark(12), folder, QStringLiteral("match.png"))
                         && save(matchMark(24), folder, QStringLiteral("match@2x.png"));
    return written ? 0 : 1;
}
