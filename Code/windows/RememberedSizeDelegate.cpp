#include "RememberedSizeDelegate.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

namespace {
/// The style that measures for `option`, as the styled delegate picks it.
const QStyle *measuringStyle(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}
} // namespace

bool RememberedSizeDelegate::Measure::sameAs(const QStyleOptionViewItem &option, const QStyle *current) const
{
    // A style at the same address may be a new one after the old was
    // deleted: the guarded pointer tells.
    return style && styleAddress == current && features == option.features && decorationSize == option.decorationSize
           && alignment == option.displayAlignment && font == option.font;
}

QSize RememberedSizeDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Only an entry that is its text alone is remembered by its text.
    const QVariant text = index.data(Qt::DisplayRole);
    if (text.userType() != QMetaType::QString || index.data(Qt::SizeHintRole).isValid()
        || index.data(Qt::DecorationRole).isValid() || index.data(Qt::FontRole).isValid()
        || index.data(Qt::CheckStateRole).isValid() || index.data(Qt::TextAlignmentRole).isValid())
        return QStyledItemDelegate::sizeHint(option, index);

    const QStyle *style = measuringStyle(option);
    if (!m_measure.sameAs(option, style)) {
        m_sizes.clear();
        m_measure = {
            option.font, option.features, option.decorationSize, option.displayAlignment, const_cast<QStyle *>(style),
            style};
    }
    const QString key = text.toString();
    const auto found = m_sizes.constFind(key);
    if (found != m_sizes.cend())
        return *found;
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    // Names that left the list are let go now and then.
    if (m_sizes.size() > 2 * qsizetype(index.model()->rowCount()) + 256)
        m_sizes.clear();
    m_sizes.insert(key, size);
    return size;
}
