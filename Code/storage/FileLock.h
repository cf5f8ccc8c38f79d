#pragma once

#include <chrono>

/// An advisory lock on the whole of an open file, shared for readers and
/// exclusive for writers, so that several processes (other instances, a
/// command line, team members on a network file system) never read a half
/// written record nor cut each other's. Open-file-description locks
/// (F_OFD_SETLK) are used: they belong to the open file, not the process, so
/// two descriptors of one process exclude each other too, and they work over
/// NFS. Waiting for another holder is bounded, so a stuck holder makes an
/// error instead of a frozen window. The lock goes when released or when the
/// descriptor is closed.
class FileLock
{
public:
    enum class Kind { Shared, Exclusive };

    /// How long a lock is waited for before giving up.
    static constexpr std::chrono::milliseconds defaultWait{2000};

    /// Locks the file of `descriptor`; false when another holder kept it for
    /// all of `wait` (or the file system refused locks with an error other
    /// than contention, in errno).
    static bool acquire(int descriptor, Kind kind, std::chrono::milliseconds wait = defaultWait);
    /// Gives the lock back; closing the descriptor does the same.
    static void release(int descriptor);
};
