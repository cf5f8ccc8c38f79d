#include "SetFileReading.h"

#include "FileLock.h"
#include "RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

QByteArray readWholeRecords(const QString &native)
{
    struct Descriptor
    {
        int fd = -1;
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } file;
    qint64 length = 0;
    for (int attempt = 0;; ++attempt) {
        file.fd = RegularFile::open(native, O_RDONLY);
        if (file.fd < 0) {
            if (errno == ENOENT)
                return QByteArray();
            throw std::runtime_error("the set file cannot be opened");
        }
        if (!FileLock::acquire(file.fd, FileLock::Kind::Shared))
            throw std::runtime_error("the set file stays locked");
        // Replaced between opening and locking: the file the path names now.
        const bool named = RegularFile::isNamedBy(file.fd, native);
        struct stat seen = {};
        const bool measured = named && ::fstat(file.fd, &seen) == 0;
        FileLock::release(file.fd);
        if (measured) {
            length = seen.st_size;
            break;
        }
        ::close(std::exchange(file.fd, -1));
        if (named || attempt == 9)
            throw std::runtime_error("the set file cannot be looked at");
    }
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(file.fd, bytes.data() + done, std::size_t(length - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // emptied meanwhile: what was read is judged, the change is noticed
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

std::optional<SetFileIdentity> SetFileIdentity::of(const QString &native)
{
    struct stat seen = {};
    if (::stat(QFile::encodeName(native).constData(), &seen) != 0)
        return std::nullopt;
    return SetFileIdentity{quint64(seen.st_dev), quint64(seen.st_ino), qint64(seen.st_size),
                           qint64(seen.st_mtim.tv_sec), qint64(seen.st_mtim.tv_nsec)};
}
