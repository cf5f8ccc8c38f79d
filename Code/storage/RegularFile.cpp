#include "RegularFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

int open(const QString &native, int flags)
{
    const int descriptor = ::open(QFile::encodeName(native).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return -1;
    struct stat seen = {};
    if (::fstat(descriptor, &seen) != 0 || !S_ISREG(seen.st_mode)) {
        ::close(descriptor);
        errno = EINVAL;
        return -1;
    }
    // Reads and writes of a regular file never block; the flag only mattered
    // for opening.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

bool isNamedBy(int descriptor, const QString &native)
{
    struct stat open = {};
    struct stat named = {};
    return ::fstat(descriptor, &open) == 0 && ::stat(QFile::encodeName(native).constData(), &named) == 0
           && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace RegularFile
