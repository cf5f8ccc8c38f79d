#include "FileLock.h"

#include "RegularFile.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

enum class Outcome {
    Taken,       ///< the lock is held
    Busy,        ///< another holder has it: try again later
    Unsupported, ///< the file system takes no locks
    Failed       ///< any other failure, in errno
};

Outcome tryLock(int descriptor, short type)
{
    struct flock request = {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = 0;
    request.l_len = 0; // to the end of the file, however it grows
    request.l_pid = 0; // required for open-file-description locks
    if (fcntl(descriptor, F_OFD_SETLK, &request) == 0)
        return Outcome::Taken;
    switch (errno) {
    case EAGAIN:
    case EACCES:
    case EINTR:
        return Outcome::Busy;
    // NFS without a lock manager answers ENOLCK; other network and FUSE file
    // systems EOPNOTSUPP or ENOSYS.
    case ENOLCK:
    case EOPNOTSUPP:
    case ENOSYS:
        return Outcome::Unsupported;
    default:
        return Outcome::Failed;
    }
}

} // namespace

bool FileLock::acquire(int descriptor, Kind kind, std::chrono::milliseconds wait)
{
    const short type = kind == Kind::Shared ? F_RDLCK : F_WRLCK;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // Polled rather than waited for with F_OFD_SETLKW, whose wait cannot be
    // bounded without a signal; a holder keeps the lock for milliseconds.
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        switch (tryLock(descriptor, type)) {
        case Outcome::Taken:
        case Outcome::Unsupported:
            return true;
        case Outcome::Failed:
            return false;
        case Outcome::Busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

void FileLock::release(int descriptor)
{
    struct flock request = {};
    request.l_type = F_UNLCK;
    request.l_whence = SEEK_SET;
    fcntl(descriptor, F_OFD_SETLK, &request);
}

bool FileLock::supportedAt(const QString &nativePath)
{
    // The file itself, not its folder: NFS locks a folder locally, without
    // asking the server, and would seem to take locks where files take none.
    const int descriptor = RegularFile::open(nativePath, O_RDONLY);
    if (descriptor < 0)
        return true;
    const Outcome outcome = tryLock(descriptor, F_RDLCK);
    ::close(descriptor); // gives the lock back with it
    return outcome != Outcome::Unsupported;
}

QString FileLock::unsupportedWarning(const QString &nativePath)
{
    return QStringLiteral("the file system of %1 does not support file locks: the visibility sets are read and "
                          "changed without them, and changes made at the same moment from several computers may "
                          "be lost")
        .arg(nativePath);
}
