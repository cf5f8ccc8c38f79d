#include "SetNameListing.h"

#include "FileChannel.h"
#include "QuarnelGIS_Public.h"
#include "VisibilitySetFile.h"
#include "WindowsPath.h"

#include <QByteArrayView>
#include <QFile>
#include <QSet>

#include <exception>
#include <thread>
#include <vector>

namespace {

/// `"a","b","c","True"` or `"...","False"`: four quoted fields without quotes
/// or line breaks inside, the last a flag.
bool isPlainRecord(QByteArrayView line)
{
    if (line.size() < 2 || line.front() != '"' || line.back() != '"' || line.count('"') != 8
        || line.count(QByteArrayView("\",\"")) != 3 || line.contains('\r') || line.contains('\n'))
        return false;
    return line.endsWith("\",\"True\"") || line.endsWith("\",\"False\"");
}

} // namespace

qint64 halvingPoint(const QString &native, qint64 size)
{
    constexpr qint64 window = 64 << 10;
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(size / 2))
        return 0;
    const QByteArray bytes = file.read(window);
    const QByteArrayView look(bytes);
    // Each line in the window that follows a line feed, with the line after it.
    for (qsizetype lineFeed = look.indexOf('\n'); lineFeed >= 0;) {
        const qsizetype first = lineFeed + 1;
        const qsizetype firstEnd = look.indexOf(QByteArrayView("\r\n"), first);
        if (firstEnd < 0)
            return 0;
        const qsizetype second = firstEnd + 2;
        const qsizetype secondEnd = look.indexOf(QByteArrayView("\r\n"), second);
        if (secondEnd < 0)
            return 0;
        if (isPlainRecord(look.sliced(first, firstEnd - first))
            && isPlainRecord(look.sliced(second, secondEnd - second)))
            return size / 2 + second;
        lineFeed = look.indexOf('\n', first);
    }
    return 0;
}

void listSetNamesInHalves(QuarnelGIS_Public &state, const std::function<void(const QString &)> &onNewName,
                          qint64 leastToHalve)
{
    FileChannel &whole = state.channel1;
    whole.close();
    // Held open, channel 1's shared lock keeps writers away until both
    // halves are read: the file stays as it is measured now.
    whole.openForInput(state.setFilePath);
    const QString native = WindowsPath::toNative(state.services, state.setFilePath);
    const qint64 size = QFile(native).size();
    // One processor would only take turns at the halves.
    const bool twoAtOnce = std::thread::hardware_concurrency() != 1;
    const qint64 split = size >= leastToHalve && twoAtOnce ? halvingPoint(native, size) : 0;
    if (split <= 0) {
        VisibilitySetFile::listSetNames(whole, onNewName);
        whole.close();
        return;
    }
    FileChannel first(state.services);
    first.openForInput(state.setFilePath, 0, split);
    FileChannel second(state.services);
    second.openForInput(state.setFilePath, split);
    std::vector<QString> later;
    std::exception_ptr laterFailure;
    std::thread reader([&] {
        try {
            VisibilitySetFile::listSetNames(second, [&later](const QString &name) { later.push_back(name); });
        } catch (...) {
            laterFailure = std::current_exception();
        }
    });
    QSet<QString> seen;
    std::exception_ptr firstFailure;
    try {
        VisibilitySetFile::listSetNames(first, [&](const QString &name) {
            seen.insert(name);
            onNewName(name);
        });
    } catch (...) {
        firstFailure = std::current_exception();
    }
    reader.join();
    second.closeQuietly();
    first.closeQuietly();
    whole.closeQuietly();
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (laterFailure)
        std::rethrow_exception(laterFailure);
    for (const QString &name : later)
        if (!seen.contains(name))
            onNewName(name);
}
