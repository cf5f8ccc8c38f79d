#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStyledItemDelegate>

class QStyle;

/// The styled item delegate for a list of plain text entries that remembers
/// each entry's size by its text. A list view lays out every entry again
/// after one is inserted; with the sizes remembered, only the new entry is
/// measured, which keeps inserting into a list of thousands of names quick.
/// Entries are drawn and measured exactly as the styled delegate does; what
/// is remembered is forgotten when the font, the style or the view's options
/// for measuring change. The view owns the delegate (as its parent).
class RememberedSizeDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    /// What an entry's size depends on besides its text.
    struct Measure
    {
        QFont font;
        QStyleOptionViewItem::ViewItemFeatures features;
        QSize decorationSize;
        Qt::Alignment alignment;
        QPointer<QStyle> style;
        const QStyle *styleAddress = nullptr;

        bool sameAs(const QStyleOptionViewItem &option, const QStyle *current) const;
    };

    mutable Measure m_measure;
    mutable QHash<QString, QSize> m_sizes;
};
