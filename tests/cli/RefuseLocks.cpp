// Preloaded into quarnel-sets to play a file system that takes no locks, as
// an NFS mount without its lock manager does: every open-file-description
// lock is refused with ENOLCK; every other use of fcntl goes through.

#include <cerrno>
#include <cstdarg>

#include <dlfcn.h>
#include <fcntl.h>

extern "C" int fcntl(int descriptor, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    if (command == F_OFD_SETLK || command == F_OFD_SETLKW) {
        errno = ENOLCK;
        return -1;
    }
    using Fcntl = int (*)(int, int, ...);
    static const auto real = reinterpret_cast<Fcntl>(dlsym(RTLD_NEXT, "fcntl"));
    return real(descriptor, command, argument);
}
