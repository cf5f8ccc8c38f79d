// Names that look like markup, right-to-left names, very long names and
// names with blanks around them show exactly as they are in mapdesk's table
// of contents (item texts and tooltips), in the legends of the layout view
// and in mapdesk's own message boxes.

#include "Application.h"
#include "Document.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "LayoutView.h"
#include "Legend.h"
#include "MainWindow.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "TocWidget.h"

#include "ReadingWait.h"
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPainter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

using namespace mapdesk;

/// Names that must never be read as anything but text.
QStringList oddNames()
{
    return {QStringLiteral("<b>x</b>"),
            QStringLiteral("<img src=x>"),
            QStringLiteral("&amp;"),
            QStringLiteral("a &lt;b&gt; c"),
            QStringLiteral("<a href=\"https://example.invalid/\">link</a> after"),
            QString::fromUtf8("\xd8\xb7\xd8\xb1\xd9\x82 \xd8\xb1\xd8\xa6\xd9\x8a\xd8\xb3\xd9\x8a\xd8\xa9"), // Arabic
            QString::fromUtf8("\xd7\x9b\xd7\x91\xd7\x99\xd7\xa9\xd7\x99\xd7\x9d <i>2</i>"),                 // Hebrew
            QStringLiteral("Long ").repeated(400),
            QStringLiteral("  padded <u>name</u>  "),
            QStringLiteral("   "),
            QStringLiteral("R&D & co")};
}

std::shared_ptr<FeatureLayer> pointLayer(const QString &name, double x)
{
    auto layer = std::make_shared<FeatureLayer>(name, QString());
    Feature feature;
    feature.points.append(QPointF(x, 0));
    layer->setFeatures({feature});
    return layer;
}

/// A document whose map names and layer names are the odd names: the focus
/// map "<b>Town</b>" holds a layer per odd name (the last two inside a group
/// named "<i>group</i>") and a layer whose data file cannot be read, its
/// file name written as markup; the page shows the map with a legend.
struct OddDocument
{
    OddDocument()
    {
        const QStringList names = oddNames();
        for (qsizetype i = 0; i < names.size(); ++i) {
            auto layer = pointLayer(names[i], static_cast<double>(i));
            layers.push_back(layer);
            if (i + 2 < names.size())
                town->addLayer(layer);
            else
                group->addLayer(layer);
        }
        town->addLayer(group);
        broken->load();
        town->addLayer(broken);
        document->addMap(town);
        document->addMap(second);
        const auto page = document->pageLayoutModel();
        page->addElement(frame);
        page->addElement(legendFrame);
        document->captureDrawnState();
    }

    std::shared_ptr<Document> document = Document::create();
    std::shared_ptr<Map> town = std::make_shared<Map>(QStringLiteral("<b>Town</b>"));
    std::shared_ptr<Map> second = std::make_shared<Map>(QStringLiteral("  &amp; <img src=x>  "));
    std::shared_ptr<GroupLayer> group = std::make_shared<GroupLayer>(QStringLiteral("<i>group</i>"));
    std::vector<std::shared_ptr<FeatureLayer>> layers;
    std::shared_ptr<FeatureLayer> broken = std::make_shared<FeatureLayer>(
        QStringLiteral("<font color=red>broken</font>"), QStringLiteral("/nonexistent/<b>gone</b> &amp;.geojson"));
    std::shared_ptr<MapFrameElement> frame =
        std::make_shared<MapFrameElement>(QStringLiteral("town"), town, QRectF(10, 10, 150, 100));
    std::shared_ptr<MapSurroundFrameElement> legendFrame =
        std::make_shared<MapSurroundFrameElement>(frame, std::make_shared<Legend>(town), QRectF(170, 10, 120, 190));
};

/// Texts compared as std::string, so that a failure shows them readably.
std::string str(const QString &text)
{
    return text.toStdString();
}

/// What a label shows, read as a screen reader reads it.
QString shownText(QLabel *label)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(label);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

/// Hovers over `item` and returns the text of the tooltip that comes up.
QString hoverToolTip(TocWidget *toc, QTreeWidgetItem *item)
{
    QToolTip::hideText();
    toc->scrollToItem(item);
    const QPoint at = toc->visualItemRect(item).center();
    QHelpEvent hover(QEvent::ToolTip, at, toc->viewport()->mapToGlobal(at));
    QApplication::sendEvent(toc->viewport(), &hover);
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (label && label->objectName() == QLatin1String("qtooltip_label") && label->isVisible())
            return shownText(label);
    }
    return QStringLiteral("(no tooltip)");
}

/// Whether the runs of text drawn on one line make up `text` exactly. A line
/// that mixes writing directions is drawn in several runs, from left to
/// right on the page: in some order they must join to the whole text.
bool makeUp(QStringList runs, const QString &text)
{
    if (runs.size() > 8)
        return false;
    std::sort(runs.begin(), runs.end());
    do {
        if (runs.join(QString()) == text)
            return true;
    } while (std::next_permutation(runs.begin(), runs.end()));
    return false;
}

/// A paint device that keeps the text drawn on it: the runs of text on each
/// baseline, top to bottom.
class TextRecorder : public QPaintDevice
{
public:
    explicit TextRecorder(QSize size) : m_size(size) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    QList<QStringList> lines() const { return m_engine.lines.values(); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return m_size.width() * 254 / 960;
        case PdmHeightMM:
            return m_size.height() * 254 / 960;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawRects(const QRectF *, int) override {}
        void drawLines(const QLineF *, int) override {}
        void drawEllipse(const QRectF &) override {}
        void drawTextItem(const QPointF &at, const QTextItem &item) override
        {
            lines[qRound(painter()->transform().map(at).y())] << item.text();
        }
        Type type() const override { return QPaintEngine::User; }

        QMap<int, QStringList> lines; ///< by baseline
    };

    QSize m_size;
    mutable Engine m_engine;
};

class Literal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        application = std::make_shared<Application>(odd.document);
        window = std::make_unique<MainWindow>(application);
        window->resize(1000, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { QToolTip::hideText(); }

    OddDocument odd;
    std::shared_ptr<Application> application;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Literal, TableOfContentsShowsNamesAndErrorsAsTheyAre)
{
    TocWidget *toc = window->tableOfContents();
    QTreeWidgetItem *town = toc->itemOf(odd.town.get());
    QTreeWidgetItem *second = toc->itemOf(odd.second.get());
    ASSERT_NE(town, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(str(town->text(0)), str(odd.town->name()));
    EXPECT_EQ(str(second->text(0)), str(odd.second->name()));
    EXPECT_EQ(str(hoverToolTip(toc, town)), str(odd.town->name() + QStringLiteral(" (focus map)")));
    EXPECT_EQ(str(hoverToolTip(toc, second)), str(odd.second->name())) << "blanks around the name stay";

    for (const std::shared_ptr<FeatureLayer> &layer : odd.layers) {
        QTreeWidgetItem *item = toc->itemOf(layer.get());
        ASSERT_NE(item, nullptr) << qPrintable(layer->name());
        EXPECT_EQ(str(item->text(0)), str(layer->name()));
        EXPECT_EQ(str(hoverToolTip(toc, item)), str(layer->name()));
    }
    QTreeWidgetItem *group = toc->itemOf(odd.group.get());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->childCount(), 2);
    EXPECT_EQ(str(hoverToolTip(toc, group)), "<i>group</i>");

    // The error of a layer whose data file name is written as markup.
    QTreeWidgetItem *broken = toc->itemOf(odd.broken.get());
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(str(broken->text(0)), "<font color=red>broken</font>");
    ASSERT_TRUE(odd.broken->errorText().contains(QStringLiteral("<b>gone</b> &amp;.geojson")));
    EXPECT_EQ(str(hoverToolTip(toc, broken)), str(odd.broken->errorText()));
    EXPECT_FALSE(broken->icon(0).isNull());
}

TEST_F(Literal, LegendDrawsLayerNamesAsTheyAre)
{
    odd.document->setActiveViewKind(Document::ViewKind::Layout);
    LayoutView *layout = window->layoutView();
    TextRecorder recorder(layout->size());
    layout->render(&recorder);

    // The title, then every shown layer's name on a line of its own, whole:
    // never read as markup, never cut at a blank, blanks around it kept.
    QStringList expected{QStringLiteral("Legend")};
    for (const std::shared_ptr<Layer> &layer :
         std::static_pointer_cast<Legend>(odd.legendFrame->surroundModel())->items())
        expected << layer->name();
    ASSERT_EQ(expected.size(), static_cast<qsizetype>(odd.layers.size()) + 2) << "the unread layer is listed too";
    const QList<QStringList> lines = recorder.lines();
    ASSERT_EQ(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(makeUp(lines[i], expected[i]))
            << "line " << i << " drew " << qPrintable(lines[i].join(QStringLiteral("|")).left(80));
}

TEST_F(Literal, MessageBoxesAndStatusBarNameMarkupFilesAsTheyAre)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("<img src=x> <b>plan &amp; co.mapdesk.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"version\": 1, \"maps\": [");
    file.close();

    window->setInteractive(true);
    EXPECT_FALSE(window->openDocument(path));
    EXPECT_EQ(application->currentDocument(), odd.document);
    const QList<QMessageBox *> boxes = window->findChildren<QMessageBox *>();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox *box = boxes.front();
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal()) << "mapdesk stays usable";
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("Cannot open ") + path + QStringLiteral(": malformed JSON")))
        << qPrintable(box->text());
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(shownText(label), box->text());
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(path));
    box->close();

    // A save that fails (the layers made here have no data files) names the
    // file, under a folder of such a name, and the layer as they are.
    const QString target =
        dir.filePath(QStringLiteral("<i>no such folder &lt;</i>")) + QStringLiteral("/a.mapdesk.json");
    EXPECT_FALSE(window->saveDocumentAs(target));
    QMessageBox *saveBox = nullptr;
    for (QMessageBox *candidate : window->findChildren<QMessageBox *>())
        saveBox = candidate->isVisible() ? candidate : saveBox;
    ASSERT_NE(saveBox, nullptr);
    EXPECT_EQ(saveBox->textFormat(), Qt::PlainText);
    EXPECT_TRUE(saveBox->text().startsWith(QStringLiteral("Cannot save ") + target)) << qPrintable(saveBox->text());
    EXPECT_TRUE(saveBox->text().contains(QStringLiteral("\"<b>x</b>\""))) << qPrintable(saveBox->text());
    auto *saveLabel = saveBox->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(saveLabel, nullptr);
    EXPECT_EQ(str(shownText(saveLabel)), str(saveBox->text()));
    saveBox->close();
    QApplication::processEvents();

    // A document of that name that opens names itself in the title, as is.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"version": 1, "maps": [{"name": "<b>M</b>"}]})");
    file.close();
    ASSERT_TRUE(openAndWait(window.get(), path));
    EXPECT_EQ(window->windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" - mapdesk"));
    EXPECT_EQ(window->tableOfContents()->topLevelItem(0)->text(0), QStringLiteral("<b>M</b>"));
    EXPECT_TRUE(window->findChildren<QMessageBox *>().isEmpty());
}

} // namespace
