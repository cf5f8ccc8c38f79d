#include "ComponentModule.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <elf.h>
#include <link.h>

namespace mapdesk {

namespace {
/// Why the shared library at `path` cannot be mapped whole, or "". The
/// dynamic loader maps the segments that the file's header announces without
/// checking the file's length: a module cut short (an interrupted copy, a
/// full disk) would crash the process with a bus error while loading. Files
/// of another kind or another machine are left to the loader, which refuses
/// them with its own message.
QString cutShort(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const quint64 size = static_cast<quint64>(file.size());
    ElfW(Ehdr) header;
    if (file.read(reinterpret_cast<char *>(&header), sizeof header) != static_cast<qint64>(sizeof header)
        || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0
        || header.e_ident[EI_CLASS] != (sizeof(void *) == 8 ? ELFCLASS64 : ELFCLASS32)
        || header.e_ident[EI_DATA] != (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB)
        || header.e_phentsize != sizeof(ElfW(Phdr)))
        return {};
    const auto fault = [size](quint64 needed) {
        return QStringLiteral("the file is cut short (%1 bytes, its header announces at least %2)")
            .arg(size)
            .arg(needed);
    };
    const quint64 tableEnd = header.e_phoff + static_cast<quint64>(header.e_phnum) * sizeof(ElfW(Phdr));
    if (header.e_phoff > size || tableEnd > size)
        return fault(tableEnd);
    if (!file.seek(static_cast<qint64>(header.e_phoff)))
        return fault(tableEnd);
    for (int i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment;
        if (file.read(reinterpret_cast<char *>(&segment), sizeof segment) != static_cast<qint64>(sizeof segment))
            return fault(tableEnd);
        if (segment.p_type == PT_LOAD && (segment.p_offset > size || segment.p_filesz > size - segment.p_offset))
            return fault(static_cast<quint64>(segment.p_offset) + segment.p_filesz);
    }
    return {};
}
} // namespace

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
    if (const QString cut = cutShort(info.absoluteFilePath()); !cut.isEmpty())
        return QStringLiteral("%1 is not a loadable module: %2").arg(m_path, cut);
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
