#include "SetListWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <utility>

namespace {
/// Shift and Ctrl extend or shrink a selection instead of picking.
bool extendsSelection(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
}

/// Whether a key that moved the current entry picked it. Typing a name's
/// first letters picks too when Shift gives them as capitals.
bool picks(const QKeyEvent &event)
{
    const bool typing = !event.text().isEmpty() && event.text().front().isPrint();
    if (typing)
        return !(event.modifiers() & Qt::ControlModifier);
    return !extendsSelection(event.modifiers());
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
}

void SetListWidget::mousePressEvent(QMouseEvent *event)
{
    // Alt is held for the double-click that opens a set's layers: that
    // click only selects.
    m_plainPress = event->button() == Qt::LeftButton && !extendsSelection(event->modifiers())
                   && !(event->modifiers() & Qt::AltModifier);
    QListWidget::mousePressEvent(event);
}

void SetListWidget::keyPressEvent(QKeyEvent *event)
{
    const QListWidgetItem *before = currentItem();
    QListWidget::keyPressEvent(event);
    const QListWidgetItem *now = currentItem();
    if (now && now != before && now->isSelected() && picks(*event))
        emit picked();
}
