// Writes the benchmarks' visibility-set files: DIR/records-N for each size N.
//
//   quarnel_bench_data DIR N [N...]

#include "BenchData.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR N [N...]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const qint64 records = QString::fromLocal8Bit(argv[i]).toLongLong(&ok);
        if (!ok || records <= 0) {
            std::fprintf(stderr, "not a number of records: %s\n", argv[i]);
            return 2;
        }
        const QString path = QDir(folder).absoluteFilePath(QStringLiteral("records-%1").arg(records));
        if (!BenchData::writeFile(path, records)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s: %lld records, %lld bytes, set \"%s\" of %lld records, %d layers\n", qPrintable(path),
                    static_cast<long long>(records), static_cast<long long>(QFileInfo(path).size()),
                    qPrintable(BenchData::chosenSetName()), static_cast<long long>(BenchData::chosenRecords(records)),
                    BenchData::layersFor(records));
    }
    return 0;
}
