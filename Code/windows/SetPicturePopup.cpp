#include "SetPicturePopup.h"

#include "SetPictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {
/// The space left between the entry and the tooltip.
constexpr int kGap = 2;
} // namespace

SetPicturePopup::SetPicturePopup(QWidget *list)
    : QFrame(list, Qt::ToolTip | Qt::FramelessWindowHint), m_picture(new QLabel(this)), m_words(new QLabel(this))
{
    setObjectName(QStringLiteral("setPicturePopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFrameShape(QFrame::Box);
    setPalette(QToolTip::palette());
    setAutoFillBackground(true);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_words->setObjectName(QStringLiteral("words"));
    m_words->setTextFormat(Qt::PlainText);
    m_words->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_picture);
    layout->addWidget(m_words);
}

void SetPicturePopup::showFor(const QPersistentModelIndex &entry, const QString &words,
                              const std::optional<QImage> &picture, const QRect &entryArea, const QPoint &pointer)
{
    m_entry = entry;
    m_entryArea = entryArea;
    m_pointer = pointer;
    setWords(words);
    setPicture(picture);
    show();
    raise();
}

void SetPicturePopup::setWords(const QString &words)
{
    m_words->setText(words);
    m_words->setVisible(!words.isEmpty());
}

void SetPicturePopup::setPicture(const std::optional<QImage> &picture)
{
    if (!picture) {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(SetPictures::drawingText());
        m_picture->setVisible(true);
    } else {
        m_picture->setText(QString());
        m_picture->setPixmap(QPixmap::fromImage(*picture));
        m_picture->setVisible(!picture->isNull());
    }
    m_words->setMaximumWidth(std::max(picture && !picture->isNull() ? picture->width() : 0, SetPictures::width()));
    adjustSize();
    place();
}

void SetPicturePopup::dismiss()
{
    m_entry = QPersistentModelIndex();
    hide();
}

void SetPicturePopup::place()
{
    const QScreen *screen = QGuiApplication::screenAt(m_pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
    move(placeFor(size(), m_entryArea, m_pointer, free));
}

QPoint SetPicturePopup::placeFor(const QSize &size, const QRect &entryArea, const QPoint &pointer, const QRect &screen)
{
    const int below = screen.bottom() - entryArea.bottom() - kGap;
    const int above = entryArea.top() - screen.top() - kGap;
    int y;
    if (size.height() <= below || below >= above)
        y = entryArea.bottom() + 1 + kGap;
    else
        y = entryArea.top() - kGap - size.height();
    const int x = std::clamp(pointer.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    return {x, y};
}
