#pragma once

#include "ProductNames.h"

#include <QString>
#include <QUuid>

/// The module's fixed identity: the class identifier of QuarnelVisibility, its
/// type library and its own default interface, with the names registration
/// writes beside them. Fixed once here; hosts find the class by these values.
namespace QuarnelGISIds {
inline const QUuid CLSID_QuarnelVisibility{QStringLiteral("{2F501C02-7CF5-4FB0-8252-61369CF2B62E}")};
inline const QUuid LIBID_QuarnelGIS{QStringLiteral("{4F4572E0-45FD-429A-8A08-0CA176025342}")};
/// The class's default interface; it adds no operation to IUnknown.
inline const QUuid IID_QuarnelVisibility{QStringLiteral("{FC7FE129-F173-438F-B646-CA8A8278B224}")};

inline QString progId()
{
    return ProductNames::maker() + QLatin1Char('.') + ProductNames::product();
}
inline QString className()
{
    return ProductNames::product();
}
inline QString typeLibraryName()
{
    return ProductNames::maker();
}
inline QString typeLibraryVersion()
{
    return QStringLiteral("1.0");
}

/// An identifier as registry text: braces, upper-case hexadecimal.
inline QString text(const QUuid &id)
{
    return id.toString(QUuid::WithBraces).toUpper();
}
} // namespace QuarnelGISIds
