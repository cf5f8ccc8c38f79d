#pragma once

#include <QString>

/// The add-in's names, kept in this one place: the maker's and the product's
/// (the settings folder X:\Program Files\<maker>\<product>\, the boxes'
/// title, the button's texts), the version and the set file's name.
namespace ProductNames {
inline QString maker()
{
    return QStringLiteral("QuarnelGIS");
}
inline QString product()
{
    return QStringLiteral("QuarnelVisibility");
}
inline QString version()
{
    return QStringLiteral("v2.12");
}
/// The visibility-set file in the settings folder.
inline QString setFileName()
{
    return QStringLiteral("config");
}
} // namespace ProductNames
