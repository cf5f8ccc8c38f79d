#include "SetNameOrder.h"

#include <algorithm>

namespace {
/// The locale whose collation orders names: the root collation (which
/// English uses unchanged) stands in for the C locale.
QLocale collationLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}
} // namespace

SetNameOrder::SetNameOrder(const QLocale &locale) : m_collator(collationLocale(locale))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

int SetNameOrder::insert(const QString &name)
{
    QCollatorSortKey key = m_collator.sortKey(name);
    // Sort keys compare as the collator does, without collating again for
    // every comparison of the search.
    const auto place =
        std::upper_bound(m_keys.begin(), m_keys.end(), key,
                         [](const QCollatorSortKey &a, const QCollatorSortKey &b) { return a.compare(b) < 0; });
    const int row = int(place - m_keys.begin());
    m_keys.insert(place, std::move(key));
    return row;
}
