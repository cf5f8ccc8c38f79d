#include "SelfCheck.h"

#include "Application.h"
#include "CommandLoader.h"
#include "DesktopHost.h"
#include "Document.h"
#include "LoadedCommand.h"
#include "MainWindow.h"
#include "Map.h"

#include <QAction>
#include <QDir>
#include <QToolBar>

namespace mapdesk {

SelfCheck SelfCheck::of(const DesktopHost &host)
{
    QStringList lines;
    bool passed = host.documentOpened();
    const std::shared_ptr<Document> document = host.application()->currentDocument();
    std::size_t layers = 0;
    for (const std::shared_ptr<Map> &map : document->mapModels())
        layers += map->layers().size();
    const QString file =
        document->filePath().isEmpty() ? QStringLiteral("(untitled)") : QDir::toNativeSeparators(document->filePath());
    lines << QStringLiteral("document: %1, %2 map(s), %3 layer(s)%4")
                 .arg(file)
                 .arg(document->mapModels().size())
                 .arg(layers)
                 .arg(host.documentOpened() ? QString() : QStringLiteral(" (the document asked for did not open)"));

    const CommandLoader *commands = host.commands();
    for (std::size_t index = 0; index < commands->commands().size(); ++index) {
        const ComponentRegistry::Entry &entry = commands->commands()[index]->entry();
        const QAction *button = commands->action(index);
        const auto *toolbar = button ? qobject_cast<const QToolBar *>(button->parent()) : nullptr;
        if (!toolbar)
            passed = false;
        lines << QStringLiteral("command: %1 %2 on toolbar \"%3\", module %4 (%5 registry)")
                     .arg(entry.progId, entry.classId.toString(),
                          toolbar ? toolbar->windowTitle() : QStringLiteral("(no button)"), entry.modulePath,
                          entry.systemWide ? QStringLiteral("system-wide") : QStringLiteral("user's"));
    }
    for (const QString &problem : commands->problems()) {
        lines << QStringLiteral("problem: ") + problem;
        passed = false;
    }
    lines << (passed ? QStringLiteral("self-check: passed") : QStringLiteral("self-check: failed"));
    return {lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), passed};
}

} // namespace mapdesk
