#include "AddInSession.h"

#include "Application.h"
#include "Document.h"
#include "FrameWindow.h"
#include "GroupLayer.h"
#include "Layer.h"
#include "MainWindow.h"
#include "Map.h"
#include "ServerRegistration.h"
#include "SetPrompts.h"
#include "TocWidget.h"
#include "frmMain.h"

#include "ReadingWait.h"
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace mapdesk;

namespace {

QStringList &startupBoxList()
{
    static QStringList boxes;
    return boxes;
}

/// The feature layers the add-in records, as "Map/Layer": those at the
/// map's top level and those directly in a group there. Layers in nested
/// groups are not recorded, so no set shows or changes them.
void walk(const QString &mapName, const std::vector<std::shared_ptr<Layer>> &layers,
          const std::function<void(const QString &, const std::shared_ptr<Layer> &)> &onFeatureLayer, int depth = 0)
{
    for (const std::shared_ptr<Layer> &layer : layers) {
        if (layer->kind() == Layer::Kind::Feature)
            onFeatureLayer(mapName + QLatin1Char('/') + layer->name(), layer);
        else if (auto group = std::dynamic_pointer_cast<GroupLayer>(layer); group && depth == 0)
            walk(mapName, group->members(), onFeatureLayer, depth + 1);
    }
}

} // namespace

AddInSession::AddInSession(const QString &document, const QString &driveC)
    : m_registry(std::make_unique<QTemporaryDir>()), m_driveC(driveC)
{
    if (m_driveC.isEmpty()) {
        m_ownDrive = std::make_unique<QTemporaryDir>();
        m_driveC = m_ownDrive->path();
        QDir().mkpath(m_driveC + QStringLiteral("/Program Files"));
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_registry->path());
    const ServerRegistration::Outcome registered =
        ServerRegistration::run(ServerRegistration::Action::Register, QStringLiteral(QUARNEL_MODULE));
    EXPECT_TRUE(registered.succeeded) << qPrintable(registered.message);

    // A box at start-up would wait for a person: it is read and closed.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            startupBoxList() << box->text();
            box->done(0);
        }
    });
    closer.start(20);
    const QString error = host.start({{QStringLiteral("C=") + m_driveC}, sample(document), false});
    EXPECT_EQ(error, QString());
    host.services()->setMessageBox(boxes);
    host.mainWindow()->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(host.mainWindow()));
    EXPECT_TRUE(waitForReading(host.mainWindow()));
}

AddInSession::~AddInSession() = default;

QString AddInSession::sample(const QString &fileName)
{
    return QDir::isAbsolutePath(fileName) ? fileName : QStringLiteral(MAPDESK_SAMPLES "/") + fileName;
}

QStringList AddInSession::startupBoxes()
{
    return startupBoxList();
}

QStringList AddInSession::boxTexts() const
{
    QStringList texts;
    for (const fake::Box &box : boxes->boxes)
        texts << box.text;
    return texts;
}

QString AddInSession::settingsFolder(const QString &driveC)
{
    return driveC + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility");
}

QString AddInSession::setFile() const
{
    return settingsFolder(m_driveC) + QStringLiteral("/config");
}

QByteArray AddInSession::setFileBytes() const
{
    QFile file(setFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

FrameWindow *AddInSession::frameOf(const char *formClass) const
{
    const auto frames = host.mainWindow()->findChildren<FrameWindow *>(QString(), Qt::FindDirectChildrenOnly);
    for (FrameWindow *frame : frames)
        if (frame->isVisible() && frame->form()
            && QLatin1String(frame->form()->metaObject()->className()) == QLatin1String(formClass))
            return frame;
    return nullptr;
}

frmMain *AddInSession::pressButton()
{
    auto *button = host.mainWindow()->findChild<QAction *>(QStringLiteral("QuarnelGIS_QuarnelVisibility"));
    if (!button)
        return nullptr;
    button->trigger();
    FrameWindow *frame = frameOf("frmMain");
    // The module carries its own copy of the window's class: its meta-object
    // is not this program's, so the class is told by name.
    m_window = frame ? static_cast<frmMain *>(frame->form()) : nullptr;
    if (m_window) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame));
    }
    return m_window;
}

QListWidget *AddInSession::list() const
{
    return m_window ? m_window->findChild<QListWidget *>(QStringLiteral("lstbx1")) : nullptr;
}

QStringList AddInSession::listed() const
{
    QStringList names;
    if (QListWidget *setList = list())
        for (int row = 0; row < setList->count(); ++row)
            names << setList->item(row)->text();
    return names;
}

void AddInSession::press(const QString &caption)
{
    for (QPushButton *button : m_window->findChildren<QPushButton *>())
        if (button->text() == caption) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no button " << qPrintable(caption);
}

void AddInSession::save(const QString &name)
{
    press(QStringLiteral("Save "));
    FrameWindow *dialog = frameOf("frmName");
    ASSERT_NE(dialog, nullptr) << "the name dialog shows";
    auto *text = dialog->form()->findChild<QLineEdit *>(QStringLiteral("txt1"));
    ASSERT_NE(text, nullptr);
    text->setText(name);
    QTest::mouseClick(dialog->form()->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
}

void AddInSession::click(const QString &name, Qt::KeyboardModifiers modifiers)
{
    QListWidget *setList = list();
    const QList<QListWidgetItem *> items = setList->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << "listed once: " << qPrintable(name);
    setList->scrollToItem(items.front());
    const QRect place = setList->visualItemRect(items.front());
    QTest::mouseClick(setList->viewport(), Qt::LeftButton, modifiers, place.center());
}

QAction *AddInSession::menuAction(const QString &text) const
{
    for (QAction *action : list()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

bool AddInSession::menu(const QString &text)
{
    QAction *action = menuAction(text);
    if (action)
        action->trigger();
    return action != nullptr;
}

void AddInSession::setPrompts(std::unique_ptr<SetPrompts> prompts)
{
    m_window->setPrompts(std::move(prompts));
}

std::shared_ptr<Document> AddInSession::document() const
{
    return host.application()->currentDocument();
}

bool AddInSession::open(const QString &document)
{
    return openAndWait(host.mainWindow(), sample(document));
}

QMap<QString, bool> AddInSession::visibility(const Document *document) const
{
    QMap<QString, bool> flags;
    const Document &shown = document ? *document : *this->document();
    for (const std::shared_ptr<Map> &map : shown.mapModels())
        walk(map->name(), map->layers(), [&flags](const QString &key, const std::shared_ptr<Layer> &layer) {
            flags.insert(key, layer->visible());
        });
    return flags;
}

std::shared_ptr<Layer> AddInSession::layer(const QString &mapSlashLayer) const
{
    std::shared_ptr<Layer> found;
    for (const std::shared_ptr<Map> &map : document()->mapModels())
        walk(map->name(), map->layers(), [&](const QString &key, const std::shared_ptr<Layer> &layer) {
            if (key == mapSlashLayer && !found)
                found = layer;
        });
    return found;
}

void AddInSession::tick(const QString &mapSlashLayer, bool visible)
{
    const std::shared_ptr<Layer> target = layer(mapSlashLayer);
    ASSERT_NE(target, nullptr) << qPrintable(mapSlashLayer);
    QTreeWidgetItem *item = host.mainWindow()->tableOfContents()->itemOf(target.get());
    ASSERT_NE(item, nullptr);
    item->setCheckState(0, visible ? Qt::Checked : Qt::Unchecked);
}

bool AddInSession::ticked(const QString &mapSlashLayer) const
{
    const std::shared_ptr<Layer> target = layer(mapSlashLayer);
    QTreeWidgetItem *item = target ? host.mainWindow()->tableOfContents()->itemOf(target.get()) : nullptr;
    return item && item->checkState(0) == Qt::Checked;
}
