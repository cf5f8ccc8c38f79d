// mapdesk's main window under bad input: documents that cannot be read and
// documents whose data files are corrupt. Each gives a message that names
// the file and mapdesk goes on with what it has.

#include "Application.h"
#include "CommandLoader.h"
#include "DesktopHost.h"
#include "Document.h"
#include "DocumentReader.h"
#include "DrawnView.h"
#include "FeatureLayer.h"
#include "Layer.h"
#include "LayoutView.h"
#include "MainWindow.h"
#include "Map.h"
#include "MapView.h"
#include "RasterLayer.h"
#include "TocWidget.h"

#include "ReadingWait.h"
#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace mapdesk;

const QString kSamples = QStringLiteral(MAPDESK_SAMPLES);

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// Bytes that are no text and no known format, NULs and broken UTF-8 included.
QByteArray garbage(qsizetype size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(20240611);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

/// A GeoTIFF, 64 x 64 grey pixels in one strip placed by its tie point and
/// pixel scale; when `cut`, the file ends a third into its pixels: the
/// header and the directory are whole, the data is not.
QByteArray geoTiff(bool cut)
{
    QByteArray tiff;
    QDataStream out(&tiff, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint16 side = 64;
    const quint16 entries = 11;
    const quint32 directory = 8;
    const quint32 scaleAt = directory + 2 + entries * 12 + 4;
    const quint32 tieAt = scaleAt + 3 * 8;
    const quint32 pixelsAt = tieAt + 6 * 8;
    out.writeRawData("II", 2);
    out << quint16(42) << directory << entries;
    const auto entry = [&out](quint16 tag, quint16 type, quint32 count, quint32 value) {
        out << tag << type << count;
        if (type == 3 && count == 1)
            out << quint16(value) << quint16(0);
        else
            out << value;
    };
    entry(256, 3, 1, side);        // width
    entry(257, 3, 1, side);        // height
    entry(258, 3, 1, 8);           // bits per sample
    entry(259, 3, 1, 1);           // no compression
    entry(262, 3, 1, 1);           // black is zero
    entry(273, 4, 1, pixelsAt);    // the strip
    entry(277, 3, 1, 1);           // one sample per pixel
    entry(278, 3, 1, side);        // rows per strip
    entry(279, 4, 1, side * side); // the strip's size
    entry(33550, 12, 3, scaleAt);  // pixel scale
    entry(33922, 12, 6, tieAt);    // tie point
    out << quint32(0);
    out << 10.0 << 10.0 << 0.0;
    out << 0.0 << 0.0 << 0.0 << 1000.0 << 2000.0 << 0.0;
    for (int i = 0; i < (cut ? side * side / 3 : side * side); ++i)
        out << quint8(i);
    return tiff;
}

QByteArray nestedGroups(int depth)
{
    QByteArray json = R"({"type": "feature", "name": "leaf", "source": "x.geojson"})";
    for (int i = 0; i < depth; ++i)
        json = R"({"type": "group", "name": "g", "layers": [)" + json + "]}";
    return R"({"version": 1, "maps": [{"name": "M", "layers": [)" + json + "]}]}";
}

/// A main window showing the city sample, with problems shown in its message
/// boxes (which do not block, so the test reads them as they stand).
class BadInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        application = std::make_shared<Application>();
        window = std::make_unique<MainWindow>(application);
        window->setInteractive(true);
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(openAndWait(window.get(), kSamples + QStringLiteral("/city.mapdesk.json")));
    }

    /// The texts of the message boxes up now; closes them.
    QStringList takeBoxes()
    {
        QStringList texts;
        for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
            if (!box->isVisible())
                continue;
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            texts << box->text();
            box->close();
        }
        return texts;
    }

    QTemporaryDir dir;
    std::shared_ptr<Application> application;
    std::unique_ptr<MainWindow> window;
};

TEST_F(BadInput, DocumentsThatCannotBeReadAreNamedAndTheOpenDocumentStays)
{
    // The open document has a change that is not saved yet.
    const std::shared_ptr<Document> open = application->currentDocument();
    const std::shared_ptr<Layer> first = open->mapModels().front()->layers().front();
    TocWidget *toc = window->tableOfContents();
    toc->setCurrentItem(toc->itemOf(first.get()));
    QTest::keyClick(toc, Qt::Key_Space);
    ASSERT_FALSE(first->visible());
    const QString title = window->windowTitle();

    const QByteArray city = contentsOf(kSamples + QStringLiteral("/city.mapdesk.json"));
    ASSERT_FALSE(city.isEmpty());
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QString fault;
    };
    const Case cases[] = {
        {"truncated.mapdesk.json", city.left(city.size() / 2), QStringLiteral("malformed JSON at offset")},
        {"empty.mapdesk.json", QByteArray(), QStringLiteral("malformed JSON at offset 0")},
        {"garbage.mapdesk.json", garbage(4096), QStringLiteral("malformed JSON")},
        {"types.mapdesk.json",
         R"({"version": 1, "maps": [{"name": "M", "layers": [{"type": "feature", "name": 5, "source": "a"}]}]})",
         QStringLiteral("maps[0].layers[0].name: expected a string, found a number")},
        {"version.mapdesk.json", R"({"version": "1", "maps": []})",
         QStringLiteral("version: expected a number, found a string")},
        {"array.mapdesk.json", "[]", QStringLiteral("a map document is a JSON object")},
        {"brackets.mapdesk.json", QByteArray(100000, '['), QStringLiteral("malformed JSON")},
        {"groups.mapdesk.json", nestedGroups(DocumentReader::MaxNesting + 1),
         QStringLiteral("group layers are nested deeper than 64 levels")},
        {"deep.mapdesk.json", nestedGroups(5000), QStringLiteral("malformed JSON")},
    };
    QStringList paths;
    for (const Case &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(writeFile(path, c.bytes)) << c.name;
        paths << path;
    }
    // Larger than any document may be; the size alone refuses it.
    const QString huge = dir.filePath(QStringLiteral("huge.mapdesk.json"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(DocumentReader::MaxFileSize + 1));
    }
    const QString folder = dir.filePath(QStringLiteral("folder.mapdesk.json"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString fifo = dir.filePath(QStringLiteral("fifo.mapdesk.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString missing = dir.filePath(QStringLiteral("missing.mapdesk.json"));
    std::vector<std::pair<QString, QString>> all;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        all.emplace_back(paths[static_cast<qsizetype>(i)], cases[i].fault);
    all.emplace_back(huge, QStringLiteral("the file is too large for a map document"));
    all.emplace_back(folder, QStringLiteral("not a regular file"));
    all.emplace_back(fifo, QStringLiteral("not a regular file"));
    all.emplace_back(missing, QStringLiteral("the file does not exist"));
    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked.mapdesk.json"));
        ASSERT_TRUE(writeFile(locked, city));
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
        all.emplace_back(locked, QStringLiteral("cannot open the file"));
    }

    for (const auto &[path, fault] : all) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString());
        EXPECT_FALSE(window->openDocument(path));
        const QStringList boxes = takeBoxes();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes.front().startsWith(QStringLiteral("Cannot open %1: ").arg(path)))
            << boxes.front().left(300).toStdString();
        EXPECT_TRUE(boxes.front().contains(fault)) << boxes.front().left(300).toStdString();
        EXPECT_EQ(window->statusBar()->currentMessage(), boxes.front());

        EXPECT_EQ(application->currentDocument(), open);
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(toc->itemOf(first.get()), toc->currentItem()) << "the table of contents still shows it";
        EXPECT_FALSE(first->visible()) << "the change is kept";
    }

    // mapdesk goes on: the next good document opens.
    ASSERT_TRUE(openAndWait(window.get(), kSamples + QStringLiteral("/region.mapdesk.json")));
    EXPECT_NE(application->currentDocument(), open);
    EXPECT_TRUE(takeBoxes().isEmpty());
}

TEST_F(BadInput, CorruptDataFilesKeepTheirLayersWithAWarningAndDrawNothing)
{
    // Good data beside data files that are missing, empty, cut short or garbage.
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(QFile::copy(kSamples + QStringLiteral("/data/parks.geojson"), data + QStringLiteral("/parks.geojson")));
    const QByteArray tiff = contentsOf(kSamples + QStringLiteral("/data/hillshade.tif"));
    const QByteArray png = contentsOf(kSamples + QStringLiteral("/data/landcover.png"));
    ASSERT_FALSE(tiff.isEmpty());
    ASSERT_FALSE(png.isEmpty());
    ASSERT_TRUE(writeFile(data + QStringLiteral("/garbage.geojson"), garbage(2048)));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/cut.geojson"),
                          contentsOf(kSamples + QStringLiteral("/data/roads.geojson")).left(700)));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/cut.tif"), tiff.left(tiff.size() / 2)));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/header.tif"), tiff.left(16)));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/short.tif"), geoTiff(true)));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/whole.tif"), geoTiff(false)));
    RasterLayer whole(QStringLiteral("Whole"), data + QStringLiteral("/whole.tif"));
    ASSERT_TRUE(whole.load()) << "the same picture uncut reads: " << whole.errorText().toStdString();
    ASSERT_EQ(whole.extent(), QRectF(1000, 1360, 640, 640));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/cut.png"), png.left(png.size() / 2)));
    ASSERT_TRUE(QFile::copy(kSamples + QStringLiteral("/data/landcover.pgw"), data + QStringLiteral("/cut.pgw")));
    for (const char *part : {"/empty.shp", "/empty.shx", "/empty.dbf"})
        ASSERT_TRUE(writeFile(data + QLatin1String(part), QByteArray()));
    ASSERT_TRUE(writeFile(data + QStringLiteral("/garbage.tif"), garbage(2048)));
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/folder.geojson")));

    const QString document = dir.filePath(QStringLiteral("corrupt.mapdesk.json"));
    ASSERT_TRUE(writeFile(document, R"({"version": 1, "maps": [{"name": "M", "layers": [
        {"type": "feature", "name": "Garbage", "source": "data/garbage.geojson"},
        {"type": "feature", "name": "Cut", "source": "data/cut.geojson"},
        {"type": "feature", "name": "Empty shapefile", "source": "data/empty.shp"},
        {"type": "feature", "name": "Missing", "source": "data/missing.geojson"},
        {"type": "feature", "name": "Folder", "source": "data/folder.geojson"},
        {"type": "raster", "name": "Cut image", "source": "data/cut.tif"},
        {"type": "raster", "name": "Header only", "source": "data/header.tif"},
        {"type": "raster", "name": "Cut pixels", "source": "data/short.tif"},
        {"type": "raster", "name": "Cut picture", "source": "data/cut.png"},
        {"type": "raster", "name": "Garbage image", "source": "data/garbage.tif"},
        {"type": "feature", "name": "Parks", "source": "data/parks.geojson"}
        ]}], "activeView": "data",
        "pageLayout": {"elements": [
            {"type": "mapFrame", "id": "m", "map": 0, "geometry": {"x": 10, "y": 10, "width": 150, "height": 150}},
            {"type": "mapSurround", "kind": "legend", "mapFrame": "m",
             "geometry": {"x": 170, "y": 10, "width": 100, "height": 150}}]}})"));

    ASSERT_TRUE(openAndWait(window.get(), document)) << window->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(takeBoxes().isEmpty());
    const std::shared_ptr<Map> map = application->currentDocument()->mapModels().front();
    const std::vector<std::shared_ptr<Layer>> layers = map->layers();
    ASSERT_EQ(layers.size(), 11u) << "every layer stays in its map";
    EXPECT_TRUE(
        window->statusBar()->currentMessage().endsWith(QStringLiteral("the data of 10 layer(s) could not be read")))
        << window->statusBar()->currentMessage().toStdString();

    TocWidget *toc = window->tableOfContents();
    for (std::size_t i = 0; i + 1 < layers.size(); ++i) {
        const std::shared_ptr<Layer> &layer = layers[i];
        SCOPED_TRACE(layer->name().toStdString());
        ASSERT_FALSE(layer->errorText().isEmpty()) << "no error for a corrupt data file";
        QString source;
        if (const auto features = std::dynamic_pointer_cast<FeatureLayer>(layer)) {
            source = features->sourcePath();
            EXPECT_TRUE(features->features().empty());
        } else if (const auto raster = std::dynamic_pointer_cast<RasterLayer>(layer)) {
            source = raster->sourcePath();
            EXPECT_TRUE(raster->image().isNull());
        }
        EXPECT_TRUE(layer->errorText().contains(source)) << layer->errorText().toStdString();
        QTreeWidgetItem *item = toc->itemOf(layer.get());
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->icon(0).isNull()) << "a warning on the layer";
        EXPECT_EQ(item->toolTip(0), layer->errorText());
        EXPECT_EQ(item->checkState(0), Qt::Checked) << "its flag is kept for when the data comes back";
    }
    EXPECT_TRUE(layers.back()->errorText().isEmpty());
    EXPECT_TRUE(toc->itemOf(layers.back().get())->icon(0).isNull());

    // The corrupt layers draw nothing: the view looks the same without them.
    MapView *view = window->dataView();
    const QImage withThem = drawnImage(view);
    for (std::size_t i = 0; i + 1 < layers.size(); ++i)
        layers[i]->setVisible(false);
    map->refresh();
    EXPECT_EQ(drawnImage(view), withThem);
    layers.back()->setVisible(false);
    map->refresh();
    EXPECT_NE(drawnImage(view), withThem) << "the good layer was drawn";

    // The page with the map and its legend draws too.
    window->showView(Document::ViewKind::Layout);
    EXPECT_FALSE(window->layoutView()->grab().isNull());
}

// mapdesk started on a document it cannot read, with a registry whose
// entries are broken: it starts with an untitled document, says what went
// wrong in boxes that do not block, and its window works.
TEST(BadStart, HostStartsOnABadDocumentWithABrokenRegistry)
{
    QTemporaryDir registryDir;
    QTemporaryDir driveC;
    QTemporaryDir files;
    ASSERT_TRUE(registryDir.isValid() && driveC.isValid() && files.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, registryDir.path());
    {
        QSettings registry(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                           QStringLiteral("registry"));
        const QString missing = QStringLiteral("CLSID/") + QUuid::createUuid().toString();
        registry.setValue(missing + QStringLiteral("/ProgID"), QStringLiteral("Broken.Missing"));
        registry.setValue(missing + QStringLiteral("/InprocServer32/Path"),
                          files.filePath(QStringLiteral("libGone.so")));
        const QString empty = QStringLiteral("CLSID/") + QUuid::createUuid().toString();
        registry.setValue(empty + QStringLiteral("/ProgID"), QStringLiteral("Broken.Empty"));
        registry.setValue(empty + QStringLiteral("/InprocServer32/Path"), QString());
    }
    const QString document = files.filePath(QStringLiteral("cut.mapdesk.json"));
    ASSERT_TRUE(writeFile(document, contentsOf(kSamples + QStringLiteral("/city.mapdesk.json")).left(300)));

    DesktopHost host;
    ASSERT_EQ(host.start({{QStringLiteral("C=") + driveC.path()}, document, true}), QString());
    MainWindow *window = host.mainWindow();
    ASSERT_NE(window, nullptr);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "nothing blocks";

    QStringList boxes;
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        if (box->isVisible())
            boxes << box->text();
    ASSERT_EQ(boxes.size(), 2) << boxes.join(QStringLiteral("\n---\n")).toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Cannot open %1: malformed JSON").arg(document)))
        << boxes[0].toStdString();
    EXPECT_EQ(boxes[1], host.commands()->problems().join(QLatin1Char('\n'))) << "the commands' problems in one box";
    EXPECT_EQ(host.commands()->problems().size(), 2);
    EXPECT_EQ(host.commands()->problems().filter(QStringLiteral("Broken.")).size(), 2);

    // mapdesk goes on with an untitled document, and can open a good one.
    EXPECT_TRUE(host.application()->currentDocument()->filePath().isEmpty());
    EXPECT_EQ(window->tableOfContents()->topLevelItemCount(), 1);
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        box->close();
    EXPECT_TRUE(openAndWait(window, kSamples + QStringLiteral("/city.mapdesk.json")));
    EXPECT_EQ(window->tableOfContents()->topLevelItemCount(), 2);
}

} // namespace
