#include "ComponentModule.h"

#include <QFileInfo>

namespace mapdesk {

ComponentModule::ComponentModule(const QString &path) : m_path(path) {}

QString ComponentModule::load()
{
    if (m_library.isLoaded())
        return {};
    const QFileInfo info(m_path);
    if (!info.exists())
        return QStringLiteral("The module file %1 does not exist").arg(m_path);
    if (!info.isFile())
        return QStringLiteral("%1 is not a module file").arg(m_path);
    // The exact file, never a library found elsewhere on the search path.
    m_library.setFileName(info.absoluteFilePath());
    if (!m_library.load())
        return QStringLiteral("%1 is not a loadable module: %2").arg(m_path, m_library.errorString());
    return {};
}

QFunctionPointer ComponentModule::entryPoint(const char *name, QString *error)
{
    QFunctionPointer function = m_library.isLoaded() ? m_library.resolve(name) : nullptr;
    if (!function && error)
        *error = QStringLiteral("The module %1 has no entry point %2").arg(m_path, QLatin1String(name));
    return function;
}

QString ComponentModule::resultText(Com::HRESULT result)
{
    return QStringLiteral("0x")
           + QString::number(static_cast<std::uint32_t>(result), 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

} // namespace mapdesk
