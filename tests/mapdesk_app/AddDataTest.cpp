#include "Application.h"
#include "DataFile.h"
#include "DesktopHost.h"
#include "Document.h"
#include "DocumentReader.h"
#include "DrawnView.h"
#include "FeatureLayer.h"
#include "Layer.h"
#include "LayerChoiceDialog.h"
#include "MainWindow.h"
#include "Map.h"
#include "MapPropertiesDialog.h"
#include "MapView.h"
#include "TocWidget.h"

#include "ReadingWait.h"
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <optional>
#include <stdexcept>

#include <gtest/gtest.h>

namespace {

using namespace mapdesk;

const QString kData = QStringLiteral(MAPDESK_SAMPLES "/data/");

/// The names under the table of contents' map item `map`, top first.
QStringList tocNames(MainWindow *window, int map = 0)
{
    QStringList names;
    QTreeWidgetItem *item = window->tableOfContents()->topLevelItem(map);
    for (int i = 0; item && i < item->childCount(); ++i)
        names << item->child(i)->text(0);
    return names;
}

/// mapdesk started on data files, with an empty registry of its own.
class DataHost : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registry.isValid() && driveC.isValid() && files.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, registry.path());
    }

    MainWindow *start(const QStringList &dataFiles)
    {
        host = std::make_unique<DesktopHost>();
        const QString error = host->start({{QStringLiteral("C=") + driveC.path()}, QString(), false, dataFiles});
        EXPECT_EQ(error, QString());
        MainWindow *window = host->mainWindow();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_TRUE(waitForReading(window));
        return window;
    }

    QString damaged() const
    {
        const QString path = files.filePath(QStringLiteral("damaged.geojson"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"type\": \"FeatureCollection\", \"features\": [{\"type\": \"Feature\", \"geom");
        return path;
    }

    QTemporaryDir registry;
    QTemporaryDir driveC;
    QTemporaryDir files;
    std::unique_ptr<DesktopHost> host;
};

// Data files on the command line make a new document whose one map "Layers"
// holds them in the order given, each read, whatever its format.
TEST_F(DataHost, DataFilesOnTheCommandLineBecomeTheLayersOfANewDocument)
{
    const struct
    {
        QString file;
        QString name;
        Layer::Kind kind;
    } cases[] = {
        {QStringLiteral("roads.geojson"), QStringLiteral("roads"), Layer::Kind::Feature},
        {QStringLiteral("villages.shp"), QStringLiteral("villages"), Layer::Kind::Feature},
        {QStringLiteral("rivers.gpkg"), QStringLiteral("rivers"), Layer::Kind::Feature},
        {QStringLiteral("elevation.tif"), QStringLiteral("elevation"), Layer::Kind::Raster},
        {QStringLiteral("landcover.png"), QStringLiteral("landcover"), Layer::Kind::Raster},
    };
    QStringList paths;
    QStringList names;
    for (const auto &c : cases) {
        paths << kData + c.file;
        names << c.name;
    }
    MainWindow *window = start(paths);
    const std::shared_ptr<Document> document = host->application()->currentDocument();
    ASSERT_EQ(document->mapModels().size(), 1u);
    EXPECT_EQ(document->mapModels().front()->name(), QStringLiteral("Layers"));
    EXPECT_EQ(tocNames(window), names);
    const auto &layers = document->mapModels().front()->layers();
    ASSERT_EQ(layers.size(), std::size(cases));
    for (std::size_t i = 0; i < layers.size(); ++i) {
        EXPECT_EQ(layers[i]->kind(), cases[i].kind) << qPrintable(cases[i].file);
        EXPECT_EQ(layers[i]->errorText(), QString()) << qPrintable(cases[i].file);
        EXPECT_NE(layers[i]->extent(), std::nullopt) << qPrintable(cases[i].file);
    }
    EXPECT_EQ(document->mapModels().front()->drawnLayers().size(), layers.size()) << "all drawn";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - mapdesk"));
}

// A damaged file among good ones is refused, named with the reason; the good
// ones are there. Adding only a damaged file leaves the document unchanged.
TEST_F(DataHost, AFileThatCannotBeReadIsRefusedNamingItAndWhy)
{
    const QString bad = damaged();
    MainWindow *window = start({kData + QStringLiteral("roads.geojson"), bad, kData + QStringLiteral("elevation.tif")});
    EXPECT_EQ(tocNames(window), (QStringList{QStringLiteral("roads"), QStringLiteral("elevation")}));
    const QString message = window->statusBar()->currentMessage();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot add "))) << qPrintable(message);
    EXPECT_TRUE(message.contains(bad)) << qPrintable(message);
    EXPECT_GT(message.size(), QStringLiteral("Cannot add ").size() + bad.size() + 4) << "and why";

    const std::shared_ptr<Document> document = host->application()->currentDocument();
    for (const QString &refused : {bad, files.filePath(QStringLiteral("missing.shp")), driveC.path(),
                                   QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json")}) {
        EXPECT_EQ(addAndWait(window, {refused}), 0) << qPrintable(refused);
        EXPECT_TRUE(window->statusBar()->currentMessage().contains(QFileInfo(refused).absoluteFilePath()))
            << qPrintable(window->statusBar()->currentMessage());
        EXPECT_EQ(document->mapModels().front()->layers().size(), 2u);
        EXPECT_FALSE(document->isModified());
    }
}

// A failure thrown while a file is read refuses that file, naming it and the
// failure; mapdesk goes on and adds the others.
TEST_F(DataHost, AFailureWhileReadingRefusesOnlyThatFile)
{
    MainWindow *window = start({});
    const QString failing = kData + QStringLiteral("parks.geojson");
    window->setDataReader([&](const QString &path, const QString &table, QString *error) {
        if (path == failing)
            throw std::runtime_error("out of memory");
        return DataFile::open(path, table, error);
    });
    EXPECT_EQ(
        addAndWait(window, {kData + QStringLiteral("roads.geojson"), failing, kData + QStringLiteral("poi.geojson")}),
        2);
    EXPECT_EQ(tocNames(window), (QStringList{QStringLiteral("roads"), QStringLiteral("poi")}));
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("Cannot add %1: out of memory").arg(QDir::toNativeSeparators(failing)));
}

// Data added with features left out is added; the user is told how many, in
// the status bar and on the layer in the table of contents.
TEST_F(DataHost, FeaturesLeftOutAreToldOf)
{
    for (const char *suffix : {".shp", ".dbf"})
        ASSERT_TRUE(QFile::copy(kData + QStringLiteral("villages") + QLatin1String(suffix),
                                files.filePath(QStringLiteral("villages") + QLatin1String(suffix))));
    QFile original(kData + QStringLiteral("villages.shx"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray index = original.readAll();
    // The index gives the second record a length far beyond the file's end.
    index.replace(100 + 8 + 4, 4, QByteArray::fromHex("000186a0"));
    QFile damagedIndex(files.filePath(QStringLiteral("villages.shx")));
    ASSERT_TRUE(damagedIndex.open(QIODevice::WriteOnly) && damagedIndex.write(index) == index.size());
    damagedIndex.close();

    MainWindow *window = start({});
    const QString path = files.filePath(QStringLiteral("villages.shp"));
    ASSERT_EQ(addAndWait(window, {path}), 1);
    const QString told = QStringLiteral("1 feature of %1 could not be read and is not shown").arg(path);
    EXPECT_EQ(window->statusBar()->currentMessage(), told);
    QTreeWidgetItem *item = window->tableOfContents()->topLevelItem(0)->child(0);
    EXPECT_EQ(item->toolTip(0), told);
    EXPECT_FALSE(item->icon(0).isNull());
}

// The status bar shows the pointer's coordinates in the map's system and the
// scale of the data view; Map Properties... changes the system, and data that
// cannot be drawn in it is refused, naming the file and why.
TEST_F(DataHost, DataIsShownInTheMapsCoordinateSystem)
{
    MainWindow *window = start({kData + QStringLiteral("roads.geojson")});
    MapView *view = window->dataView();
    const std::shared_ptr<Map> map = host->application()->currentDocument()->focusMapModel();
    EXPECT_EQ(map->coordinateSystem().definition(), QStringLiteral("EPSG:27700")) << "the first layer's";
    const QPoint at = view->rect().center() + QPoint(30, 20);
    const auto pointerShown = [&] {
        QTest::mouseMove(view, at);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        return window->pointerField()->text();
    };
    const QPointF under = view->mapTransform().inverted().map(QPointF(at));
    EXPECT_EQ(pointerShown(), QStringLiteral("%1, %2").arg(QLocale().toString(under.x(), 'f', 2),
                                                           QLocale().toString(under.y(), 'f', 2)));
    drawnImage(view);
    const double metresPerPixel = 1 / view->mapTransform().m11();
    const double scale = metresPerPixel / (0.0254 / view->logicalDpiX());
    EXPECT_EQ(window->scaleField()->text(), QStringLiteral("1:%1").arg(QLocale().toString(std::round(scale), 'f', 0)));

    // A site grid no transformation reaches.
    for (const char *suffix : {".shp", ".shx", ".dbf"})
        ASSERT_TRUE(QFile::copy(kData + QStringLiteral("villages") + QLatin1String(suffix),
                                files.filePath(QStringLiteral("site") + QLatin1String(suffix))));
    QFile projection(files.filePath(QStringLiteral("site.prj")));
    ASSERT_TRUE(projection.open(QIODevice::WriteOnly));
    projection.write(R"(LOCAL_CS["site grid",UNIT["metre",1]])");
    projection.close();
    const QString site = files.filePath(QStringLiteral("site.shp"));
    EXPECT_EQ(addAndWait(window, {site}), 0);
    const QString refused = window->statusBar()->currentMessage();
    EXPECT_TRUE(refused.startsWith(QStringLiteral("Cannot add %1: no transformation").arg(site)))
        << qPrintable(refused);

    // Map Properties...: the map in longitudes and latitudes.
    auto *answer = new QTimer(window);
    QObject::connect(answer, &QTimer::timeout, answer, [answer] {
        if (auto *dialog = qobject_cast<MapPropertiesDialog *>(QApplication::activeModalWidget())) {
            answer->stop();
            answer->deleteLater();
            dialog->setDefinition(QStringLiteral("EPSG:4326"));
            dialog->accept();
        }
    });
    answer->start(10);
    TocWidget *toc = window->tableOfContents();
    toc->setCurrentItem(toc->itemOf(map.get()));
    toc->propertiesAction()->trigger();
    EXPECT_EQ(map->coordinateSystem().definition(), QStringLiteral("EPSG:4326"));
    EXPECT_LT(map->fullExtent().value().width(), 0.1) << "the roads in degrees";
    EXPECT_TRUE(host->application()->currentDocument()->isModified());
    const QPointF degrees = view->mapTransform().inverted().map(QPointF(at));
    EXPECT_EQ(pointerShown(), QStringLiteral("%1, %2").arg(QLocale().toString(degrees.x(), 'f', 6),
                                                           QLocale().toString(degrees.y(), 'f', 6)));
}

// A file of several layers adds the ones chosen, each as a layer named after
// its table (all of them unless asked); the document keeps which table each
// layer shows.
TEST_F(DataHost, AFileOfSeveralLayersAddsTheChosenOnes)
{
    const QString town = kData + QStringLiteral("town.gpkg");
    const struct
    {
        const char *asked;
        std::optional<QStringList> chosen; // not asked: the window adds all
        QStringList added;
    } rows[] = {
        {"not asked", std::nullopt, {QStringLiteral("roads"), QStringLiteral("railway"), QStringLiteral("parks")}},
        {"one chosen", QStringList{QStringLiteral("parks")}, {QStringLiteral("parks")}},
        {"none chosen", QStringList(), {}},
    };
    MainWindow *window = start({});
    for (const auto &row : rows) {
        window->newDocument();
        QStringList offered;
        if (row.chosen) {
            window->setLayerChooser([&](const QString &path, const QStringList &layers) {
                EXPECT_EQ(path, town);
                offered = layers;
                return *row.chosen;
            });
        }
        EXPECT_EQ(addAndWait(window, {town}), row.added.size()) << row.asked;
        EXPECT_EQ(tocNames(window), row.added) << row.asked;
        if (row.chosen) {
            EXPECT_EQ(offered.size(), 3) << row.asked;
        }
    }

    // Saved and opened again, each layer shows its own table.
    window->newDocument();
    window->setLayerChooser({});
    ASSERT_EQ(addAndWait(window, {town}), 3);
    const QString saved = files.filePath(QStringLiteral("town.mapdesk.json"));
    ASSERT_TRUE(window->saveDocumentAs(saved));
    ASSERT_TRUE(openAndWait(window, saved));
    const auto &layers = host->application()->currentDocument()->mapModels().front()->layers();
    ASSERT_EQ(layers.size(), 3u);
    const auto railway = std::dynamic_pointer_cast<FeatureLayer>(layers[1]);
    ASSERT_TRUE(railway);
    EXPECT_EQ(railway->datasetLayer(), QStringLiteral("railway"));
    EXPECT_EQ(railway->features().size(), 1u);
}

// The question lists the file's layers, all ticked; OK waits for a tick.
TEST(LayerChoice, AllLayersAreTickedAtFirstAndOneAtLeastIsNeeded)
{
    LayerChoiceDialog dialog(QStringLiteral("/data/town.gpkg"),
                             {QStringLiteral("roads"), QStringLiteral("railway"), QStringLiteral("parks")});
    auto *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.chosen(),
              (QStringList{QStringLiteral("roads"), QStringLiteral("railway"), QStringLiteral("parks")}));
    dialog.setTicked(1, false);
    EXPECT_EQ(dialog.chosen(), (QStringList{QStringLiteral("roads"), QStringLiteral("parks")}));
    EXPECT_TRUE(ok->isEnabled());
    dialog.setTicked(0, false);
    dialog.setTicked(2, false);
    EXPECT_FALSE(ok->isEnabled());
    dialog.setTicked(2, true);
    EXPECT_TRUE(ok->isEnabled());
}

// Files dropped on the data view or the table of contents are added on top
// of the focus map; the document is then modified.
TEST_F(DataHost, FilesDroppedOnTheMapOrTheContentsAreAdded)
{
    MainWindow *window = start({});
    const std::shared_ptr<Document> document = host->application()->currentDocument();
    const struct
    {
        QWidget *target;
        QString file;
    } drops[] = {{window->dataView(), QStringLiteral("parks.geojson")},
                 {window->tableOfContents()->viewport(), QStringLiteral("hillshade.tif")}};
    for (const auto &drop : drops) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(kData + drop.file)});
        const QPoint at = drop.target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(drop.target, &enter);
        EXPECT_TRUE(enter.isAccepted()) << qPrintable(drop.file);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(drop.target, &dropped);
        EXPECT_TRUE(dropped.isAccepted()) << qPrintable(drop.file);
        EXPECT_TRUE(waitForReading(window));
    }
    EXPECT_EQ(tocNames(window), (QStringList{QStringLiteral("hillshade"), QStringLiteral("parks")}));
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled* - mapdesk"));
}

// Saved beside its data, the document holds relative paths and reopens the
// same, also after the folder is moved.
TEST_F(DataHost, SavedDocumentKeepsItsDataRelativeAndReopensTheSame)
{
    const QDir project(files.filePath(QStringLiteral("project")));
    ASSERT_TRUE(project.mkpath(QStringLiteral("data")));
    for (const QString &name :
         {QStringLiteral("roads.geojson"), QStringLiteral("landcover.png"), QStringLiteral("landcover.pgw")})
        ASSERT_TRUE(QFile::copy(kData + name, project.filePath(QStringLiteral("data/") + name)));
    MainWindow *window = start({project.filePath(QStringLiteral("data/roads.geojson")),
                                project.filePath(QStringLiteral("data/landcover.png"))});
    const QString path = project.filePath(QStringLiteral("mine.mapdesk.json"));
    ASSERT_TRUE(window->saveDocumentAs(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray json = saved.readAll();
    EXPECT_TRUE(json.contains("\"data/roads.geojson\"")) << json.constData();
    EXPECT_FALSE(json.contains(files.path().toUtf8())) << json.constData();

    const QString moved = files.filePath(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().rename(project.path(), moved));
    ASSERT_TRUE(openAndWait(window, moved + QStringLiteral("/mine.mapdesk.json")));
    EXPECT_EQ(tocNames(window), (QStringList{QStringLiteral("roads"), QStringLiteral("landcover")}));
    for (const auto &layer : host->application()->currentDocument()->mapModels().front()->layers())
        EXPECT_EQ(layer->errorText(), QString());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("mine.mapdesk.json - mapdesk"));
}

TEST(DataFile, DialogOffersTheFormatsMapdeskReads)
{
    const QString filter = DataFile::dialogFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral("Data files ("))) << qPrintable(filter);
    const QString all = filter.section(QStringLiteral(";;"), 0, 0);
    for (const char *pattern : {"*.geojson", "*.shp", "*.gpkg", "*.fgb", "*.tif", "*.png", "*.jpg"})
        EXPECT_TRUE(all.contains(QLatin1String(pattern))) << pattern;
    EXPECT_TRUE(filter.endsWith(QStringLiteral(";;All files (*)")));
}

} // namespace
