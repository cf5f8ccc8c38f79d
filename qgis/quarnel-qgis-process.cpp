// quarnel-qgis-process: a QuarnelVisibility Processing algorithm run on a
// QGIS project from a shell, without a display (see QgisProcessCommand).

#include "QgisProcessCommand.h"

#include <qgsapplication.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QgsApplication app(argc, argv, false);
    QgsApplication::initQgis();
    const auto print = [](FILE *stream) {
        return [stream](const QString &line) {
            std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
            std::fflush(stream);
        };
    };
    const int status = quarnelqgis::QgisProcessCommand::run(
        quarnelqgis::QgisProcessCommand::parse(QCoreApplication::arguments().mid(1)), print(stdout), print(stderr));
    QgsApplication::exitQgis();
    return status;
}
