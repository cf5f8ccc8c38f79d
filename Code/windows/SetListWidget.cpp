#include "SetListWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <utility>

namespace {
/// Shift and Ctrl extend or shrink a selection instead of picking.
bool extendsSelection(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
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
