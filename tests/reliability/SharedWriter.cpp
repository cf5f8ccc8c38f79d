// One of several processes at work on one visibility-set file, as add-ins in
// several mapdesk instances or team members sharing the file are: saves sets
// as "OK" does and, when asked, clears the file as "Clear All" does, reading
// the file just before each clear. Logs every step with its start and end on
// the machine's monotonic clock, for the test to check the file against.
//
//   shared_writer FOLDER WRITER SAVES CLEAR_EVERY FILE_SIZE_LIMIT
//
// FOLDER is drive C; the file is C:\config. Save s of writer W is the set
// "W s" with 1 + s % 7 records. CLEAR_EVERY 0 never clears; FILE_SIZE_LIMIT
// 0 sets no limit, else the process may not make a file larger (the disk
// that fills part-way). Says "ready" and waits for a line on standard input
// before it starts.
// Output lines:
//   save S ok|fail T0 T1
//   snap T0 T1 NAME;NAME;...        the sets in the file before a clear
//   clear ok|fail T0 T1

#include "HostError.h"
#include "HostServices.h"
#include "OneDrive.h"
#include "QuarnelGIS_Public.h"
#include "SetFileRecords.h"
#include "SetFileRewrite.h"
#include "SetStore.h"
#include "VisibilitySetFile.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>

#include <sys/resource.h>

namespace {

long long now()
{
    timespec at{};
    clock_gettime(CLOCK_MONOTONIC, &at);
    return static_cast<long long>(at.tv_sec) * 1000000000LL + at.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: shared_writer FOLDER WRITER SAVES CLEAR_EVERY FILE_SIZE_LIMIT\n");
        return 64;
    }
    auto services = std::make_shared<HostServices>();
    services->setDrives(std::make_shared<OneDrive>(QString::fromLocal8Bit(argv[1])));
    const QString writer = QString::fromLocal8Bit(argv[2]);
    const int saves = std::stoi(argv[3]);
    const int clearEvery = std::stoi(argv[4]);
    const long long limit = std::stoll(argv[5]);
    if (limit > 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited{};
        getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = rlim_t(limit);
        setrlimit(RLIMIT_FSIZE, &limited);
    }

    QuarnelGIS_Public state(services);
    state.setFilePath = QStringLiteral("C:\\config");
    SetStore store(state);

    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);

    for (int save = 0; save < saves; ++save) {
        const QString set = writer + QLatin1Char(' ') + QString::number(save);
        const long long start = now();
        bool ok = true;
        try {
            store.close();
            store.openForAppend();
            for (int record = 0; record < 1 + save % 7; ++record)
                VisibilitySetFile::writeRecord(state.channel1, set, QStringLiteral("Map"),
                                               set + QLatin1Char(' ') + QString::number(record), record % 2 == 0);
            store.close();
        } catch (const HostError &error) {
            state.channel1.closeQuietly();
            ok = false;
            std::fprintf(stderr, "save %d: %d %s\n", save, error.number(), qPrintable(error.description()));
        }
        std::printf("save %d %s %lld %lld\n", save, ok ? "ok" : "fail", start, now());
        // Paced as a person saving quickly would never be, yet slowly enough
        // that the writers' saves overlap instead of running one after another.
        std::this_thread::sleep_for(std::chrono::microseconds(200));

        if (clearEvery > 0 && (save + 1) % clearEvery == 0) {
            const long long snapStart = now();
            try {
                const QByteArray bytes = SetFileRewrite(*services, state.setFilePath).read();
                const long long snapEnd = now();
                SetFileRecords records(bytes);
                SetFileRecords::Record record;
                QStringList names;
                while (records.next(record)) {
                    const QString name = records.text(record.fields[0]);
                    if (names.isEmpty() || names.back() != name)
                        names.append(name);
                }
                std::printf("snap %lld %lld %s\n", snapStart, snapEnd, qPrintable(names.join(QLatin1Char(';'))));
            } catch (const HostError &) {
            }
            const long long clearStart = now();
            bool cleared = true;
            try {
                store.emptyFile();
                store.close();
                store.openForAppend();
                store.close();
            } catch (const HostError &) {
                state.channel1.closeQuietly();
                cleared = false;
            }
            std::printf("clear %s %lld %lld\n", cleared ? "ok" : "fail", clearStart, now());
        }
    }
    return 0;
}
