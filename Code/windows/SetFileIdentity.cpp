#include "SetFileIdentity.h"

#include <QFile>

#include <sys/stat.h>

std::optional<SetFileIdentity> SetFileIdentity::of(const QString &native)
{
    struct stat seen = {};
    if (::stat(QFile::encodeName(native).constData(), &seen) != 0)
        return std::nullopt;
    return SetFileIdentity{quint64(seen.st_dev), quint64(seen.st_ino), qint64(seen.st_size),
                           qint64(seen.st_mtim.tv_sec), qint64(seen.st_mtim.tv_nsec)};
}
