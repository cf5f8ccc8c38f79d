#include "BenchWorld.h"

#include "BenchData.h"
#include "BenchDocument.h"

#include "QuarnelGIS_Public.h"
#include "frmMain.h"
#include "frmName.h"

#include "Application.h"
#include "Document.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "Map.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

BenchWorld::BenchWorld(const QString &dataFolder) : m_dataFolder(dataFolder)
{
    const QString root = m_host.drives->add(QLatin1Char('C'));
    m_settingsFolder = root + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/");
    QDir().mkpath(m_settingsFolder);
    m_host.drives->roots.insert(QLatin1Char('D'), QDir(dataFolder).absolutePath());

    m_application = std::make_shared<mapdesk::Application>();
    m_host.objects->application = m_application;

    QuarnelGIS_Public &state = *m_host.state;
    state.productName = QStringLiteral("QuarnelVisibility");
    state.productVersion = QStringLiteral("v2.12");
    state.setFilePath = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config");
}

BenchWorld::~BenchWorld()
{
    m_window.reset();
    m_host.objects->frames.clear();
}

QString BenchWorld::dataFile(std::int64_t records) const
{
    return QDir(m_dataFolder).absoluteFilePath(QStringLiteral("records-%1").arg(records));
}

QString BenchWorld::dataFileWindowsPath(std::int64_t records) const
{
    return QStringLiteral("D:\\records-%1").arg(records);
}

QString BenchWorld::addinFile() const
{
    return m_settingsFolder + QStringLiteral("config");
}

void BenchWorld::use(std::int64_t records)
{
    // Benchmarks that only prepare change the file and the document without
    // a window: the window is made anew whenever either changed since it was.
    prepare(records);
    if (!m_window || m_windowChanges != m_changes) {
        createMainWindow();
        showMainWindow();
    }
}

void BenchWorld::prepare(std::int64_t records)
{
    const int layers = BenchData::layersFor(records);
    if (layers != m_layers) {
        m_document = BenchDocument::make(layers);
        m_application->setDocument(m_document);
        m_host.state->document = m_document;
        m_layers = layers;
        ++m_changes;
    }
    copyFile(records);
}

void BenchWorld::copyFile(std::int64_t records)
{
    if (records == m_records)
        return;
    if (!QFileInfo::exists(dataFile(records)))
        throw std::runtime_error("missing data file " + dataFile(records).toStdString());
    // A copy: saves append to it and are cut back, and the generated data
    // stays as it was written whatever a benchmark does.
    QFile::remove(addinFile());
    if (!QFile::copy(dataFile(records), addinFile()))
        throw std::runtime_error("cannot copy to " + addinFile().toStdString());
    m_records = records;
    ++m_changes;
}

void BenchWorld::useEmptyFile()
{
    QFile::remove(addinFile());
    QFile file(addinFile());
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot create " + addinFile().toStdString());
    m_records = 0;
    ++m_changes;
}

QString BenchWorld::lastBox() const
{
    return m_host.boxes->boxes.empty() ? QString() : m_host.boxes->boxes.back().text;
}

void BenchWorld::createMainWindow()
{
    m_window.reset();
    forgetFrames();
    m_window = std::make_unique<frmMain>(*m_host.state);
    m_windowChanges = m_changes;
}

void BenchWorld::showMainWindow()
{
    window().Frame()->setVisible(true);
    QCoreApplication::processEvents();
}

frmMain &BenchWorld::window()
{
    return *m_window;
}

QListWidget &BenchWorld::list()
{
    return *window().setList();
}

QPushButton &BenchWorld::mainButton(const char *name)
{
    auto *button = window().findChild<QPushButton *>(QLatin1String(name));
    if (!button)
        throw std::runtime_error(std::string("no button ") + name);
    return *button;
}

QPoint BenchWorld::placeOf(const QString &setName)
{
    QListWidget &setList = list();
    const QList<QListWidgetItem *> found = setList.findItems(setName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        throw std::runtime_error("set not listed: " + setName.toStdString());
    setList.clearSelection();
    setList.scrollToItem(found.first());
    QCoreApplication::processEvents();
    return setList.visualItemRect(found.first()).center();
}

frmName &BenchWorld::openNameDialog(const QString &setName)
{
    forgetFrames();
    QTest::mouseClick(&mainButton("btnCreateNewGrid"), Qt::LeftButton);
    auto *dialog = dynamic_cast<frmName *>(m_host.objects->frames.back()->attached);
    if (!dialog)
        throw std::runtime_error("no name dialog");
    dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(setName);
    QCoreApplication::processEvents();
    return *dialog;
}

QPushButton &BenchWorld::dialogButton(frmName &dialog, const char *name)
{
    auto *button = dialog.findChild<QPushButton *>(QLatin1String(name));
    if (!button)
        throw std::runtime_error(std::string("no dialog button ") + name);
    return *button;
}

std::int64_t BenchWorld::fileSize() const
{
    return QFileInfo(addinFile()).size();
}

void BenchWorld::truncateFile(std::int64_t size) const
{
    if (!QFile::resize(addinFile(), size))
        throw std::runtime_error("cannot truncate " + addinFile().toStdString());
}

void BenchWorld::forgetFrames()
{
    // A frame that only the fake factory still holds belongs to a window
    // that is gone.
    std::erase_if(m_host.objects->frames,
                  [](const std::shared_ptr<fake::Frame> &frame) { return frame.use_count() == 1; });
}

bool BenchWorld::forEachFeatureLayer(const std::function<void(int, int, mapdesk::Layer &)> &visit) const
{
    int mapNumber = 0;
    for (const auto &map : m_document->mapModels()) {
        const int m = mapNumber++;
        int number = 0;
        auto one = [&](const std::shared_ptr<mapdesk::Layer> &layer) {
            if (layer->kind() != mapdesk::Layer::Kind::Feature)
                return true;
            if (layer->name() != BenchData::layerName(number))
                return false;
            visit(m, number++, *layer);
            return true;
        };
        for (const auto &layer : map->layers()) {
            if (auto group = std::dynamic_pointer_cast<mapdesk::GroupLayer>(layer)) {
                for (const auto &member : group->members())
                    if (!one(member))
                        return false;
            } else if (!one(layer)) {
                return false;
            }
        }
    }
    return true;
}

std::int64_t BenchWorld::flagsDifferingFrom(const std::function<std::optional<bool>(int, int)> &expected) const
{
    std::int64_t differing = 0;
    const bool shaped = forEachFeatureLayer([&](int map, int number, mapdesk::Layer &layer) {
        const std::optional<bool> wanted = expected(map, number);
        if (wanted && layer.visible() != *wanted)
            ++differing;
    });
    return shaped ? differing : -1;
}

void BenchWorld::setFlags(const std::function<std::optional<bool>(int, int)> &wanted) const
{
    forEachFeatureLayer([&](int map, int number, mapdesk::Layer &layer) {
        if (const std::optional<bool> flag = wanted(map, number))
            layer.setVisible(*flag);
    });
}
