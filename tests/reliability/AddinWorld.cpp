#include "AddinWorld.h"

#include "IModelessFrame.h"

#include <QDir>
#include <QRect>
#include <QTest>

using namespace mapdesk;

AddinWorld::AddinWorld()
{
    const QString root = host.drives->add(QLatin1Char('C'));
    folder = root + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/");
    QDir().mkpath(folder);
    writeFile(QByteArray());

    document = makeDocument();
    application = std::make_shared<Application>(document);
    host.objects->application = application;

    QuarnelGIS_Public &state = *host.state;
    state.productName = QStringLiteral("QuarnelVisibility");
    state.productVersion = QStringLiteral("v2.12");
    state.setFilePath = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config");
    state.document = document;
    newWindow();
    window().Frame()->setVisible(true);
    watch(document);
}

AddinWorld::~AddinWorld() { mainWindow.reset(); }

void AddinWorld::newWindow()
{
    mainWindow.reset();
    mainWindow = std::make_unique<frmMain>(*host.state);
}

std::shared_ptr<Document> AddinWorld::makeDocument()
{
    auto document = Document::create();
    auto layers = std::make_shared<Map>(QStringLiteral("Layers"));
    auto transport = std::make_shared<GroupLayer>(QStringLiteral("Transport"));
    transport->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Streets")));
    transport->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Rails"), QString(), false));
    transport->addLayer(std::make_shared<RasterLayer>(QStringLiteral("Relief")));
    auto nested = std::make_shared<GroupLayer>(QStringLiteral("Nested"));
    nested->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Deep")));
    transport->addLayer(nested);
    layers->addLayer(transport);
    layers->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Rivers")));
    layers->addLayer(std::make_shared<RasterLayer>(QStringLiteral("Hills")));
    auto overview = std::make_shared<Map>(QStringLiteral("Overview"));
    overview->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Streets")));
    document->addMap(layers);
    document->addMap(overview);

    auto page = document->pageLayoutModel();
    auto layersFrame = std::make_shared<MapFrameElement>(QStringLiteral("main"), layers, QRectF(10, 10, 180, 150));
    auto overviewFrame =
        std::make_shared<MapFrameElement>(QStringLiteral("overview"), overview, QRectF(200, 10, 80, 60));
    page->addElement(layersFrame);
    page->addElement(overviewFrame);
    page->addElement(std::make_shared<MapSurroundFrameElement>(layersFrame, std::make_shared<Legend>(layers),
                                                               QRectF(200, 80, 40, 60)));
    page->addElement(std::make_shared<MapSurroundFrameElement>(overviewFrame, std::make_shared<Legend>(overview),
                                                               QRectF(245, 80, 40, 60)));
    page->addElement(std::make_shared<MapSurroundFrameElement>(layersFrame, std::make_shared<Legend>(layers),
                                                               QRectF(200, 145, 40, 40)));
    auto group = std::make_shared<GroupElement>();
    group->addElement(std::make_shared<MapSurroundFrameElement>(layersFrame, std::make_shared<Legend>(layers),
                                                                QRectF(245, 145, 40, 40)));
    page->addElement(group);
    document->captureDrawnState();
    return document;
}

std::shared_ptr<Layer> AddinWorld::layer(const std::shared_ptr<Document> &document, const QString &mapName,
                                         const QString &name)
{
    std::function<std::shared_ptr<Layer>(const std::vector<std::shared_ptr<Layer>> &)> find =
        [&](const std::vector<std::shared_ptr<Layer>> &layers) -> std::shared_ptr<Layer> {
        for (const auto &candidate : layers) {
            if (candidate->name() == name)
                return candidate;
            if (auto group = std::dynamic_pointer_cast<GroupLayer>(candidate))
                if (auto found = find(group->members()))
                    return found;
        }
        return nullptr;
    };
    for (const auto &map : document->mapModels())
        if (map->name() == mapName)
            return find(map->layers());
    return nullptr;
}

void AddinWorld::useDocument(std::shared_ptr<Document> next)
{
    document = next;
    application->setDocument(next);
    host.state->document = next;
    watch(next);
}

void AddinWorld::watch(const std::shared_ptr<Document> &watched)
{
    DocumentEvents *events = watched->events();
    QObject::connect(events, &DocumentEvents::contentsUpdated, events, [this] { ++contentsUpdates; });
    QObject::connect(events, &DocumentEvents::viewRefreshed, events, [this](IView *) { ++viewRefreshes; });
    QObject::connect(events, &DocumentEvents::partialRefresh, events,
                     [this](IView *, int, HostObject *, QRectF) { ++partialRefreshes; });
}

QByteArray AddinWorld::fileBytes() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void AddinWorld::writeFile(const QByteArray &bytes) const
{
    QFile file(filePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QStringList AddinWorld::listed()
{
    QStringList names;
    for (int i = 0; i < list().count(); ++i)
        names << list().item(i)->text();
    return names;
}

void AddinWorld::select(int row)
{
    QListWidget &setList = list();
    const QRect place = setList.visualItemRect(setList.item(row));
    QTest::mouseClick(setList.viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
}

QStringList AddinWorld::reportedModules() const
{
    QStringList modules;
    for (const fake::Box &box : host.boxes->boxes) {
        const QStringList lines = box.text.split(QStringLiteral("\r\n"));
        modules << (lines.size() > 9 ? lines[9] : box.text);
    }
    return modules;
}
