#include "SetListWidget.h"

#include "SetPicturePopup.h"
#include "SetPictures.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <utility>

namespace {
/// Shift and Ctrl extend or shrink a selection instead of picking.
bool extendsSelection(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
}

/// Where a mouse event happened, in its widget.
QPoint pointerOf(const QMouseEvent &event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event.position().toPoint();
#else
    return event.pos();
#endif
}
} // namespace

SetListWidget::SetListWidget(QWidget *parent) : QListWidget(parent)
{
    // The list reports a click at the release of a left press over the same
    // entry, and not for the release that ends a double-click.
    connect(this, &QListWidget::itemClicked, this, [this] {
        if (std::exchange(m_plainPress, false))
            emit picked();
    });
    m_typing.setSingleShot(true);
    connect(&m_typing, &QTimer::timeout, this, &SetListWidget::typingPaused);
}

void SetListWidget::mousePressEvent(QMouseEvent *event)
{
    // A click ends what was being typed: the clicked entry is the one picked.
    stopTyping();
    // Alt is held for the double-click that opens a set's layers: that
    // click only selects.
    m_plainPress = event->button() == Qt::LeftButton && !extendsSelection(event->modifiers())
                   && !(event->modifiers() & Qt::AltModifier);
    QListWidget::mousePressEvent(event);
}

void SetListWidget::keyPressEvent(QKeyEvent *event)
{
    const QListWidgetItem *before = currentItem();
    m_searched = false;
    QListWidget::keyPressEvent(event);
    if (std::exchange(m_searched, false))
        return; // picked once typing pauses
    const QListWidgetItem *now = currentItem();
    if (now == before)
        return; // Shift or Ctrl alone, while typing a capital, changes nothing
    // Another key that moves ends what was being typed.
    stopTyping();
    if (now && now->isSelected() && !extendsSelection(event->modifiers()))
        emit picked();
}

void SetListWidget::keyboardSearch(const QString &search)
{
    m_searched = true;
    if (search.isEmpty() || count() == 0)
        return;
    // The pause is counted from the letter received last, so that letters
    // that waited while a set was restored still belong together.
    const bool fresh = !m_typing.isActive();
    m_typing.start(QApplication::keyboardInputInterval());
    if (fresh) {
        m_typed.clear();
        m_typedFrom = currentIndex();
    }
    m_typed += search;

    // A new search, or one letter typed again, moves on from the current
    // entry, stepping through the names that begin with it; more letters
    // narrow the search from where the first ones led.
    const bool sameLetter = m_typed.count(m_typed.front()) == m_typed.size();
    const QString prefix = sameLetter ? m_typed.left(1) : m_typed;
    const int rows = count();
    const int from = currentRow() < 0 ? 0 : (currentRow() + (fresh || sameLetter ? 1 : 0)) % rows;
    for (int i = 0; i < rows; ++i) {
        QListWidgetItem *candidate = item((from + i) % rows);
        if (!candidate->isHidden() && (candidate->flags() & Qt::ItemIsEnabled)
            && candidate->text().startsWith(prefix, Qt::CaseInsensitive)) {
            setCurrentItem(candidate, QItemSelectionModel::ClearAndSelect);
            return;
        }
    }
}

void SetListWidget::typingPaused()
{
    const QModelIndex now = currentIndex();
    const bool moved = now.isValid() && now != QModelIndex(m_typedFrom);
    stopTyping();
    if (moved && selectionModel()->isSelected(now))
        emit picked();
}

void SetListWidget::stopTyping()
{
    m_typing.stop();
    m_typed.clear();
    m_typedFrom = QPersistentModelIndex();
}

void SetListWidget::setPictures(SetPictures *pictures)
{
    m_pictures = pictures;
    if (!m_popup)
        m_popup = new SetPicturePopup(this);
    // Moves are followed so that the tooltip goes the moment the pointer
    // leaves its entry.
    viewport()->setMouseTracking(true);
    connect(m_pictures, &SetPictures::ready, this, &SetListWidget::pictureReady);
}

bool SetListWidget::showPicture(const QPoint &at, const QPoint &global)
{
    if (!m_pictures || !m_pictures->offered()) {
        m_popup->dismiss();
        return false;
    }
    const QModelIndex index = indexAt(at);
    if (!index.isValid()) {
        m_popup->dismiss();
        return false;
    }
    const QRect area(viewport()->mapToGlobal(visualRect(index).topLeft()), visualRect(index).size());
    QToolTip::hideText();
    m_popup->showFor(index, index.data(Qt::ToolTipRole).toString(),
                     m_pictures->picture(index.data(Qt::DisplayRole).toString()), area, global);
    return true;
}

void SetListWidget::pictureReady(const QString &setName)
{
    const QPersistentModelIndex &shown = m_popup->entry();
    if (!m_popup->isVisible() || !shown.isValid() || shown.data(Qt::DisplayRole).toString() != setName)
        return;
    // The words too may have changed since it was shown (the marks are
    // judged off the interface thread).
    m_popup->setWords(shown.data(Qt::ToolTipRole).toString());
    m_popup->setPicture(m_pictures->picture(setName));
}

bool SetListWidget::viewportEvent(QEvent *event)
{
    if (m_popup) {
        switch (event->type()) {
        case QEvent::ToolTip: {
            const auto *help = static_cast<QHelpEvent *>(event);
            if (showPicture(help->pos(), help->globalPos()))
                return true;
            break;
        }
        case QEvent::MouseMove:
            if (m_popup->isVisible()
                && indexAt(pointerOf(*static_cast<QMouseEvent *>(event))) != QModelIndex(m_popup->entry()))
                m_popup->dismiss();
            break;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            m_popup->dismiss();
            break;
        default:
            break;
        }
    }
    return QListWidget::viewportEvent(event);
}

void SetListWidget::hideEvent(QHideEvent *event)
{
    if (m_popup)
        m_popup->dismiss();
    QListWidget::hideEvent(event);
}
