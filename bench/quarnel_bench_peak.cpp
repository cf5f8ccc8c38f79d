// Peak memory of listing the set names of one generated file, in a process of
// its own so that each size starts from the same state. Prints one JSON line
// with the peak resident size (getrusage ru_maxrss) before and after.
//
//   quarnel_bench_peak --data=DIR --records=N --what=list|load
//
// list: the load step's work through file channel 1, names kept as the list
//       keeps them;
// load: the main window's load step with its list (a window over an empty
//       file is loaded first, so that the baseline holds the widgets).

#include "BenchWorld.h"

#include "FileChannel.h"
#include "QuarnelGIS_Public.h"
#include "VisibilitySetFile.h"
#include "frmMain.h"

#include <QApplication>
#include <QListWidget>

#include <sys/resource.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QString data;
    long long records = 0;
    std::string what;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--data=", 0) == 0)
            data = QString::fromStdString(arg.substr(7));
        else if (arg.rfind("--records=", 0) == 0)
            records = std::stoll(arg.substr(10));
        else if (arg.rfind("--what=", 0) == 0)
            what = arg.substr(7);
    }
    if (data.isEmpty() || records <= 0 || (what != "list" && what != "load")) {
        std::fprintf(stderr, "usage: %s --data=DIR --records=N --what=list|load\n", argv[0]);
        return 2;
    }

    QApplication app(argc, argv);
    try {
        BenchWorld world(data);
        long baseline = 0;
        std::size_t names = 0;
        if (what == "list") {
            baseline = peakKiB();
            FileChannel &channel = world.state().channel1;
            std::vector<QString> listed;
            channel.openForInput(world.dataFileWindowsPath(records));
            VisibilitySetFile::listSetNames(channel, [&listed](const QString &name) { listed.push_back(name); });
            channel.close();
            names = listed.size();
        } else {
            world.useEmptyFile();
            world.createMainWindow();
            world.showMainWindow();
            world.createMainWindow();
            baseline = peakKiB();
            world.copyFile(records);
            world.showMainWindow();
            names = std::size_t(world.list().count());
            if (world.boxCount() != 0)
                throw std::runtime_error("the load step reported: " + world.lastBox().toStdString());
        }
        const long peak = peakKiB();
        std::printf("{\"what\": \"%s\", \"records\": %lld, \"names\": %zu, \"baseline_kib\": %ld, \"peak_kib\": %ld}\n",
                    what.c_str(), records, names, baseline, peak);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
