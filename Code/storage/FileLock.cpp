#include "FileLock.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>

namespace {
bool tryLock(int descriptor, short type)
{
    struct flock request = {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = 0;
    request.l_len = 0; // to the end of the file, however it grows
    request.l_pid = 0; // required for open-file-description locks
    return fcntl(descriptor, F_OFD_SETLK, &request) == 0;
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
        if (tryLock(descriptor, type))
            return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return false;
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
