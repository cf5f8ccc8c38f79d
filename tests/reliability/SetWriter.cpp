// A second add-in at work on the same visibility-set file: saves blocks of
// records through file channel 1, one block per opening, as "OK" does.
//
//   set_writer FOLDER WRITER BLOCKS
//
// FOLDER is drive C; the file is C:\config. Block b of writer W is the set
// "W b" with 1 + b % 7 records; the layer names grow with b % 5 so that blocks
// differ in size. Waits for a line on standard input before it starts, so
// that two writers start at the same moment. Prints the records written.

#include "FileChannel.h"
#include "HostError.h"
#include "HostServices.h"
#include "OneDrive.h"
#include "VisibilitySetFile.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: set_writer FOLDER WRITER BLOCKS\n");
        return 64;
    }
    HostServices services;
    services.setDrives(std::make_shared<OneDrive>(QString::fromLocal8Bit(argv[1])));
    const QString writer = QString::fromLocal8Bit(argv[2]);
    const int blocks = std::stoi(argv[3]);

    std::string go;
    std::getline(std::cin, go);

    FileChannel channel(services);
    long records = 0;
    try {
        for (int block = 0; block < blocks; ++block) {
            const QString set = writer + QLatin1Char(' ') + QString::number(block);
            const QString padding(block % 5 * 60, QLatin1Char('x'));
            channel.close();
            channel.openForAppend(QStringLiteral("C:\\config"));
            for (int record = 0; record < 1 + block % 7; ++record) {
                VisibilitySetFile::writeRecord(channel, set, QStringLiteral("Map"),
                                               set + QLatin1Char(' ') + QString::number(record) + padding,
                                               record % 2 == 0);
                ++records;
            }
            channel.close();
        }
    } catch (const HostError &error) {
        std::fprintf(stderr, "%d %s\n", error.number(), qPrintable(error.description()));
        channel.closeQuietly();
        return 1;
    }
    std::printf("%ld\n", records);
    return 0;
}
