#include "QgisLayoutExport.h"
#include "QgisApplication.h"
#include "QgisExportWorld.h"
#include "QgisSession.h"
#include "QgisSetSource.h"
#include "SetStore.h"

#include <qgslayertree.h>
#include <qgslayertreemodel.h>
#include <qgslayoutatlas.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutundostack.h>
#include <qgsmapthemecollection.h>
#include <qgsprintlayout.h>
#include <qgsvectorlayer.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quarnelqgis;
using Format = QgisLayoutExport::Format;

namespace {

QgisLayoutExport::Request pngOf(const QStringList &sets, const QString &folder)
{
    QgisLayoutExport::Request request;
    request.layout = QStringLiteral("Page");
    request.sets = sets;
    request.format = Format::Png;
    request.folder = folder;
    return request;
}

/// What QGIS itself exports when the layout's own map follows a theme made
/// by restoring `set` on the Layers panel (a click) and capturing it; the
/// tree is put back as it was afterwards.
QImage qgisFollowingClickOf(QgisExportWorld &w, const QString &set, SetStore::Restore how)
{
    const auto before = w.checks();
    QgsLayerTree *root = w.project.layerTreeRoot();
    QList<QgsLayerTreeNode *> nodes;
    std::function<void(QgsLayerTreeNode *)> walk = [&](QgsLayerTreeNode *node) {
        for (QgsLayerTreeNode *child : node->children()) {
            nodes << child;
            walk(child);
        }
    };
    walk(root);
    QList<bool> checked;
    for (QgsLayerTreeNode *node : nodes)
        checked << node->itemVisibilityChecked();

    SetStore store(w.sets->state());
    store.openForInput();
    store.restoreSet(set, *w.host->application()->document(), how);
    store.close();
    w.host->session()->finishBatch();
    QgsLayerTreeModel model(root);
    w.project.mapThemeCollection()->insert(QStringLiteral("Clicked"),
                                           QgsMapThemeCollection::createThemeFromCurrentState(root, &model));
    for (int i = 0; i < nodes.size(); ++i)
        nodes[i]->setItemVisibilityChecked(checked[i]);
    EXPECT_EQ(w.checks(), before);

    w.map->setFollowVisibilityPreset(true);
    w.map->setFollowVisibilityPresetName(QStringLiteral("Clicked"));
    const QImage image = w.exportedByQgis();
    w.map->setFollowVisibilityPreset(false);
    w.map->setFollowVisibilityPresetName({});
    w.project.mapThemeCollection()->removeMapTheme(QStringLiteral("Clicked"));
    return image;
}

} // namespace

TEST(QgisLayoutExport, EachFileShowsItsSetAsQgisFollowingTheClickedStateAsATheme)
{
    struct Row
    {
        const char *set;
        std::vector<std::pair<const char *, bool>> layers;
        SetStore::Restore how;
    };
    const Row rows[] = {
        {"roads off", {{"roads", false}}, SetStore::Restore::AsSaved},
        {"both rivers", {{"rivers", true}}, SetStore::Restore::AsSaved},
        {"aerial wins the exclusive group", {{"aerial", true}}, SetStore::Restore::AsSaved},
        {"only roads, exactly", {{"roads", true}}, SetStore::Restore::Exactly},
        {"unknown layer", {{"no such layer", true}}, SetStore::Restore::AsSaved},
        {"wells stays in its group switched off", {{"wells", true}, {"roads", false}}, SetStore::Restore::AsSaved},
    };
    QgisExportWorld w;
    for (const Row &row : rows)
        w.saveSet(QLatin1String(row.set), row.layers);
    const QImage asShown = w.exportedByQgis();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.set);
        QTemporaryDir out;
        QgisLayoutExport exporter(*w.sets);
        QgisLayoutExport::Request request = pngOf({QLatin1String(row.set)}, out.path());
        request.restore = row.how;
        const QgisLayoutExport::Outcome outcome = exporter.run(request);
        ASSERT_EQ(outcome.failures, QStringList());
        ASSERT_EQ(outcome.written.size(), 1);
        const QImage ours(outcome.written.first());
        const QImage theirs = qgisFollowingClickOf(w, QLatin1String(row.set), row.how);
        ASSERT_FALSE(theirs.isNull());
        EXPECT_EQ(ours.convertToFormat(QImage::Format_ARGB32), theirs.convertToFormat(QImage::Format_ARGB32));
        // Each set here changes what the map shows.
        if (QLatin1String(row.set) != QLatin1String("unknown layer")) {
            EXPECT_NE(ours.convertToFormat(QImage::Format_ARGB32), asShown.convertToFormat(QImage::Format_ARGB32));
        }
    }
}

TEST(QgisLayoutExport, LeavesTheTreeTheLayoutAndTheProjectAsTheyWere)
{
    QgisExportWorld w;
    w.saveSet(QStringLiteral("aerial"), {{"aerial", true}, {"roads", false}});
    const auto checks = w.checks();
    const QList<QgsMapLayer *> mapLayers = w.map->layers();
    QSignalSpy visibility(w.project.layerTreeRoot(), &QgsLayerTreeNode::visibilityChanged);
    QSignalSpy dirty(&w.project, &QgsProject::isDirtyChanged);
    QSignalSpy layoutChanged(w.layout, &QgsLayout::changed);
    const int layoutUndo = w.layout->undoStack()->stack()->count();
    ASSERT_FALSE(w.project.isDirty());

    QTemporaryDir out;
    QgisLayoutExport exporter(*w.sets);
    ASSERT_EQ(exporter.run(pngOf({QStringLiteral("aerial")}, out.path())).written.size(), 1);

    EXPECT_EQ(w.checks(), checks);
    EXPECT_EQ(visibility.count(), 0);
    EXPECT_FALSE(w.project.isDirty());
    EXPECT_EQ(dirty.count(), 0);
    EXPECT_EQ(w.layout->undoStack()->stack()->count(), layoutUndo);
    EXPECT_EQ(layoutChanged.count(), 0);
    EXPECT_EQ(w.map->layers(), mapLayers);
    EXPECT_FALSE(w.map->keepLayerSet());
    EXPECT_EQ(w.project.mapThemeCollection()->mapThemes(), QStringList{QStringLiteral("Fixed")});
}

TEST(QgisLayoutExport, EverySetNameMakesAFileInsideTheFolder)
{
    struct Row
    {
        const char *set;
        const char *file;
    };
    const Row rows[] = {
        {"a/b", "a_b.png"},
        {"..", "__.png"},
        {"../../escape", "___.._escape.png"},
        {"/etc/passwd", "_etc_passwd.png"},
        {"a_b", "a_b (2).png"},
        {" spaced ", "spaced.png"},
        {"tab\there", "tab_here.png"},
        {"C:\\x*?", "C__x__.png"},
    };
    QgisExportWorld w;
    QStringList sets;
    QStringList expected;
    for (const Row &row : rows) {
        w.saveSet(QString::fromUtf8(row.set), {{"roads", false}});
        sets << QString::fromUtf8(row.set);
        expected << QString::fromUtf8(row.file);
    }
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("out/inner"));
    QgisLayoutExport exporter(*w.sets);
    const QgisLayoutExport::Outcome outcome = exporter.run(pngOf(sets, folder));
    EXPECT_EQ(outcome.failures, QStringList());
    QStringList written;
    for (const QString &path : outcome.written) {
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(folder).absolutePath());
        written << QFileInfo(path).fileName();
    }
    EXPECT_EQ(written, expected);
    expected.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expected);
    EXPECT_EQ(QDir(parent.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("out")});
    EXPECT_EQ(QDir(parent.filePath(QStringLiteral("out"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("inner")});
}

TEST(QgisLayoutExport, AFailureNamesTheSetAndTheFileAndTheNextSetIsExported)
{
    QgisExportWorld w;
    w.saveSet(QStringLiteral("blocked"), {{"roads", false}});
    w.saveSet(QStringLiteral("fine"), {{"lakes", false}});
    QTemporaryDir out;
    // A folder where the file would go cannot be written over.
    QDir(out.path()).mkdir(QStringLiteral("blocked.png"));
    QgisLayoutExport exporter(*w.sets);
    const QgisLayoutExport::Outcome outcome =
        exporter.run(pngOf({QStringLiteral("missing"), QStringLiteral("blocked"), QStringLiteral("fine")}, out.path()));
    ASSERT_EQ(outcome.failures.size(), 2);
    EXPECT_TRUE(outcome.failures[0].contains(QStringLiteral("\"missing\"")));
    EXPECT_TRUE(outcome.failures[0].contains(QStringLiteral("\"missing.png\"")));
    EXPECT_TRUE(outcome.failures[1].contains(QStringLiteral("\"blocked\"")));
    EXPECT_TRUE(outcome.failures[1].contains(QStringLiteral("\"blocked.png\"")));
    EXPECT_EQ(outcome.written, QStringList{QDir(out.path()).filePath(QStringLiteral("fine.png"))});
    EXPECT_TRUE(outcome.summary().startsWith(QStringLiteral("1 file written.")));
}

TEST(QgisLayoutExport, ExistingFilesAreAskedAboutOnceForAll)
{
    struct Row
    {
        QgisLayoutExport::Existing answer;
        int written;
        int skipped;
        bool cancelled;
        QByteArray oldKept; ///< what an existing file holds afterwards; empty: replaced
    };
    const Row rows[] = {
        {QgisLayoutExport::Existing::Replace, 3, 0, false, {}},
        {QgisLayoutExport::Existing::Skip, 1, 2, false, "old"},
        {QgisLayoutExport::Existing::Cancel, 0, 0, true, "old"},
    };
    QgisExportWorld w;
    for (const char *set : {"one", "two", "three"})
        w.saveSet(QLatin1String(set), {{"roads", false}});
    for (const Row &row : rows) {
        SCOPED_TRACE(int(row.answer));
        QTemporaryDir out;
        for (const char *name : {"one.png", "three.png"}) {
            QFile file(QDir(out.path()).filePath(QLatin1String(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        QgisLayoutExport exporter(*w.sets);
        QList<QStringList> asked;
        exporter.askExisting = [&](const QStringList &existing) {
            asked << existing;
            return row.answer;
        };
        const QgisLayoutExport::Outcome outcome =
            exporter.run(pngOf({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}, out.path()));
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0], (QStringList{QDir(out.path()).filePath(QStringLiteral("one.png")),
                                         QDir(out.path()).filePath(QStringLiteral("three.png"))}));
        EXPECT_EQ(outcome.written.size(), row.written);
        EXPECT_EQ(outcome.skipped, row.skipped);
        EXPECT_EQ(outcome.cancelled, row.cancelled);
        QFile one(QDir(out.path()).filePath(QStringLiteral("one.png")));
        ASSERT_TRUE(one.open(QIODevice::ReadOnly));
        if (row.oldKept.isEmpty())
            EXPECT_NE(one.readAll(), QByteArray("old"));
        else
            EXPECT_EQ(one.readAll(), row.oldKept);
    }
}

TEST(QgisLayoutExport, AnAtlasGivesOnePdfOfEveryPagePerSetOrOneImagePerPage)
{
    QgisExportWorld w;
    auto *coverage =
        new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QStringLiteral("places"), QStringLiteral("memory"));
    for (int i = 0; i < 3; ++i) {
        QgsFeature feature;
        feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(1 + 2 * i, 1)));
        coverage->dataProvider()->addFeature(feature);
    }
    coverage->updateExtents();
    w.project.addMapLayer(coverage);
    w.layout->atlas()->setCoverageLayer(coverage);
    w.layout->atlas()->setEnabled(true);
    w.saveSet(QStringLiteral("A"), {{"roads", false}});
    w.saveSet(QStringLiteral("B"), {{"lakes", false}});

    QTemporaryDir out;
    QgisLayoutExport exporter(*w.sets);
    QgisLayoutExport::Request request = pngOf({QStringLiteral("A"), QStringLiteral("B")}, out.path());
    request.format = Format::Pdf;
    const QgisLayoutExport::Outcome pdfs = exporter.run(request);
    ASSERT_EQ(pdfs.failures, QStringList());
    ASSERT_EQ(pdfs.written.size(), 2);
    for (const QString &pdf : pdfs.written) {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // Each page object, not the page tree ("/Pages").
        EXPECT_EQ(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 3);
    }

    request.format = Format::Png;
    const QgisLayoutExport::Outcome images = exporter.run(request);
    ASSERT_EQ(images.failures, QStringList());
    QStringList names;
    for (const QString &image : images.written)
        names << QFileInfo(image).fileName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("A-1.png"), QStringLiteral("A-2.png"), QStringLiteral("A-3.png"),
                                  QStringLiteral("B-1.png"), QStringLiteral("B-2.png"), QStringLiteral("B-3.png")}));
    // The project's own layout keeps its atlas where it was.
    EXPECT_TRUE(w.layout->atlas()->enabled());
}
