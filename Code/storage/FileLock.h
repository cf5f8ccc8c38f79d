#pragma once

#include <QString>

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
///
/// Some file systems take no locks at all: an NFS mount without its lock
/// manager, some network and FUSE file systems. The work goes on unlocked
/// there, as it would on a system without locks, and supportedAt() lets the
/// windows and the command line tell the user once.
class FileLock
{
public:
    enum class Kind { Shared, Exclusive };

    /// How long a lock is waited for before giving up.
    static constexpr std::chrono::milliseconds defaultWait{2000};

    /// Locks the file of `descriptor`; false when another holder kept it for
    /// all of `wait` (or the file system failed the lock otherwise, in
    /// errno). A file system that refuses locks as unsupported counts as
    /// locked: nothing can be held there, and the work goes on without.
    static bool acquire(int descriptor, Kind kind, std::chrono::milliseconds wait = defaultWait);
    /// Gives the lock back; closing the descriptor does the same.
    static void release(int descriptor);

    /// Whether the file system of the file at `nativePath` takes locks; true
    /// when that cannot be told (no such file yet, or it cannot be opened).
    /// Takes a shared lock for a moment, waiting for nobody.
    static bool supportedAt(const QString &nativePath);
    /// What the user is told where the file at `nativePath` cannot be
    /// locked: a sentence without its capital and full stop.
    static QString unsupportedWarning(const QString &nativePath);
};
