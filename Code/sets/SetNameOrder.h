#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>

#include <vector>

/// The order in which set names are listed: alphabetical as a person reads
/// it, case and accents ignored at the first level, by the collation of the
/// user's locale (the root collation under the C locale, which would
/// otherwise compare code points). Names that compare equal keep the order in
/// which they were added: a new one goes after those already listed. The
/// window's list and the command line share it.
class SetNameOrder
{
public:
    /// The order of the user's locale.
    SetNameOrder() : SetNameOrder(QLocale()) {}
    explicit SetNameOrder(const QLocale &locale);

    /// Records `name` after every name that sorts before it or equal to it,
    /// and returns its position there.
    int insert(const QString &name);
    void clear() { m_keys.clear(); }
    int count() const { return int(m_keys.size()); }

private:
    QCollator m_collator;
    std::vector<QCollatorSortKey> m_keys;
};
