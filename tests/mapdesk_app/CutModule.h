#pragma once

#include <QByteArray>

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>

/// A module's bytes cut inside the segments the loader maps, as an
/// interrupted copy leaves them. Cutting at a fixed share of the file is not
/// enough: in a build with debug information the mapped segments may all lie
/// in the first third.
inline QByteArray cutInsideLoadedSegments(const QByteArray &module)
{
    ElfW(Ehdr) header;
    if (module.size() < static_cast<qsizetype>(sizeof header))
        return module.left(module.size() / 2);
    std::memcpy(&header, module.constData(), sizeof header);
    quint64 loadEnd = 0;
    for (int i = 0; i < header.e_phnum; ++i) {
        const quint64 at = header.e_phoff + static_cast<quint64>(i) * sizeof(ElfW(Phdr));
        if (at + sizeof(ElfW(Phdr)) > static_cast<quint64>(module.size()))
            break;
        ElfW(Phdr) segment;
        std::memcpy(&segment, module.constData() + at, sizeof segment);
        if (segment.p_type == PT_LOAD)
            loadEnd = std::max<quint64>(loadEnd, segment.p_offset + segment.p_filesz);
    }
    return module.left(static_cast<qsizetype>(loadEnd / 2));
}
