#include "CommandLine.h"
#include "ComponentRegistry.h"
#include "DesktopHost.h"
#include "MainWindow.h"
#include "SelfCheck.h"
#include "ServerRegistration.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>

#include <iostream>

namespace {
QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int invalid(const mapdesk::CommandLine &line)
{
    std::cerr << "mapdesk: " << line.error.toLocal8Bit().constData() << "\n\n"
              << mapdesk::CommandLine::usage().toLocal8Bit().constData();
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    // Registration, help and the version need no display; the window does.
    mapdesk::CommandLine line = mapdesk::CommandLine::parse(argumentsOf(argc, argv));
    if (line.mode == mapdesk::CommandLine::Mode::Help) {
        std::cout << mapdesk::CommandLine::usage().toLocal8Bit().constData();
        return 0;
    }
    if (line.mode == mapdesk::CommandLine::Mode::Version) {
        std::cout << mapdesk::CommandLine::versionText().toLocal8Bit().constData() << std::endl;
        return 0;
    }
    if (line.mode == mapdesk::CommandLine::Mode::Register || line.mode == mapdesk::CommandLine::Mode::Unregister) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("mapdesk"));
        const auto outcome = mapdesk::ServerRegistration::run(
            line.mode == mapdesk::CommandLine::Mode::Register ? mapdesk::ServerRegistration::Action::Register
                                                              : mapdesk::ServerRegistration::Action::Unregister,
            line.moduleFile, line.systemWide ? mapdesk::ComponentRegistry::systemFileName() : QString());
        (outcome.succeeded ? std::cout : std::cerr)
            << "mapdesk: " << outcome.message.toLocal8Bit().constData() << std::endl;
        return outcome.succeeded ? 0 : 1;
    }

    if (line.mode == mapdesk::CommandLine::Mode::Invalid
        && !mapdesk::CommandLine::hasToolkitOptions(argumentsOf(argc, argv)))
        return invalid(line);

    // The self-check needs no display: it shows nothing.
    if (mapdesk::CommandLine::parse(argumentsOf(argc, argv)).selfCheck
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mapdesk"));
    // Qt has taken its own options (-platform ...) out by now.
    line = mapdesk::CommandLine::parse(QCoreApplication::arguments());
    if (line.mode != mapdesk::CommandLine::Mode::Run)
        return invalid(line);

    mapdesk::DesktopHost host;
    const QString error = host.start({line.drives, line.document, !line.selfCheck, line.dataFiles});
    if (!error.isEmpty()) {
        std::cerr << "mapdesk: " << error.toLocal8Bit().constData() << std::endl;
        return 2;
    }
    if (line.selfCheck) {
        const mapdesk::SelfCheck check = mapdesk::SelfCheck::of(host);
        std::cout << check.report.toLocal8Bit().constData() << std::flush;
        return check.passed ? 0 : 1;
    }
    mapdesk::MainWindow *window = host.mainWindow();
    if (const QScreen *screen = window->screen())
        window->resize(window->sizeHint().boundedTo(screen->availableSize() * 0.9));
    window->show();
    return QApplication::exec();
}
