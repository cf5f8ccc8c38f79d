#include "frmMain.h"

#include "ui_frmMain.h"

#include "CurrentDocument.h"
#include "DialogSetPrompts.h"
#include "FileLock.h"
#include "FormFrame.h"
#include "IDocument.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "ISetThemes.h"
#include "IView.h"
#include "LayerWalk.h"
#include "MakerAddresses.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"
#include "RefreshAfterVisibilityChange.h"
#include "RememberedSizeDelegate.h"
#include "SetDatabase.h"
#include "SetDatabaseWatch.h"
#include "SetFileWatch.h"
#include "SetListFilter.h"
#include "SetListMarks.h"
#include "SetListWidget.h"
#include "SetNames.h"
#include "SetPictures.h"
#include "SetStore.h"
#include "ShellLink.h"
#include "StoreConnection.h"
#include "WindowLook.h"
#include "WindowsPath.h"
#include "frmHelp.h"
#include "frmName.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace {
const QString kModule = QStringLiteral("frmMain");
constexpr double kWidthTwips = 4590;
constexpr double kHeightTwips = 2595;

/// Drops the windows of earlier presses that are no longer shown; a hidden
/// name dialog or help window is never shown again.
template <typename Window> void forgetHidden(std::vector<std::unique_ptr<Window>> &windows)
{
    std::erase_if(windows, [](const std::unique_ptr<Window> &window) { return !window->isVisible(); });
}
} // namespace

frmMain::frmMain(QuarnelGIS_Public &state, QWidget *parent)
    : QWidget(parent), m_state(state), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    applyLook();

    ui->Label2->setText(MakerAddresses::webHost());
    ui->Label3->setText(MakerAddresses::infoEmail());
    ui->Image2->setToolTip(QStringLiteral("For more information, please visit ") + MakerAddresses::webHost()
                           + QStringLiteral(" or email ") + MakerAddresses::infoEmail());
    for (QWidget *link : std::initializer_list<QWidget *>{ui->Image2, ui->Label2, ui->Label3})
        link->installEventFilter(this);

    // Picking a set restores it, also when it is the one already selected,
    // which brings a set back after the layers were switched by hand;
    // selecting several sets for the menu restores none.
    connect(ui->lstbx1, &SetListWidget::picked, this, &frmMain::lstbx1_Click);
    buildSetMenu();
    m_fileWatch = new SetFileWatch(this);
    m_storeWatch = new SetDatabaseWatch(this);
    connect(m_storeWatch, &SetDatabaseWatch::changed, this, &frmMain::lstbx1_Refresh);
    m_marks = new SetListMarks(m_state, *ui->lstbx1, this);
    m_pictures = new SetPictures(m_state, this);
    ui->lstbx1->setPictures(m_pictures);
    connect(m_fileWatch, &SetFileWatch::changed, this, &frmMain::lstbx1_Refresh);
    connect(ui->btnCreateNewGrid, &QPushButton::clicked, this, &frmMain::btnCreateNewGrid_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(ui->btnHelp2, &QPushButton::clicked, this, &frmMain::btnHelp_Click);
}

frmMain::~frmMain()
{
    if (m_themes) {
        m_themes->setSetFile({});
        m_themes->setSetStore({});
        m_themes->setOnChange({});
    }
}

void frmMain::buildSetMenu()
{
    m_prompts = std::make_unique<DialogSetPrompts>(&m_state);
    QListWidget *list = ui->lstbx1;
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The list's actions, with their tooltips: a greyed item says why.
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &at) {
        QMenu menu(this);
        menu.setToolTipsVisible(true);
        menu.addActions(list->actions());
        menu.exec(list->viewport()->mapToGlobal(at));
    });
    auto add = [this, list](const QString &text, QList<QKeySequence> keys, void (frmMain::*handler)()) {
        auto *action = new QAction(text, list);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, handler);
        list->addAction(action);
        return action;
    };
    auto separator = [list] {
        auto *line = new QAction(list);
        line->setSeparator(true);
        list->addAction(line);
    };
    add(QStringLiteral("Restore Exactly"),
        {QKeySequence(Qt::SHIFT | Qt::Key_Return), QKeySequence(Qt::SHIFT | Qt::Key_Enter)},
        &frmMain::mnuRestoreExactly_Click);
    m_changing << add(QStringLiteral("Rename..."), {QKeySequence(Qt::Key_F2)}, &frmMain::mnuRename_Click);
    m_changing << add(QStringLiteral("Delete"), {QKeySequence(Qt::Key_Delete)}, &frmMain::mnuDelete_Click);
    m_changing << add(QStringLiteral("Replace with Current Visibility"), {}, &frmMain::mnuReplace_Click);
    m_changing << add(QStringLiteral("Edit Layers..."), {QKeySequence(Qt::CTRL | Qt::Key_E)},
                      &frmMain::mnuEditLayers_Click);
    // A double-click with Alt held on an entry edits its layers too.
    list->viewport()->installEventFilter(this);
    separator();
    add(QStringLiteral("Export..."), {}, &frmMain::mnuExport_Click);
    m_changing << add(QStringLiteral("Import..."), {}, &frmMain::mnuImport_Click);
    separator();
    // Undo also right after "Clear All", whatever has the focus in the window.
    m_changing << add(QStringLiteral("Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}, &frmMain::mnuUndo_Click);
    m_changing.back()->setShortcutContext(Qt::WindowShortcut);
    separator();
    add(QStringLiteral("Set Store..."), {}, &frmMain::mnuStore_Click);
    separator();
    // Only a host that can publish map themes offers to keep the sets as them.
    m_themes = m_state.services.setThemes();
    if (m_themes) {
        m_keepThemes = new QAction(QStringLiteral("Keep Sets as Map Themes"), list);
        m_keepThemes->setCheckable(true);
        connect(m_keepThemes, &QAction::triggered, this, &frmMain::mnuKeepThemes_Click);
        list->addAction(m_keepThemes);
        m_withheldThemes = new QAction(list);
        m_withheldThemes->setEnabled(false);
        list->addAction(m_withheldThemes);
        m_changing << add(QStringLiteral("Import Map Themes as Sets..."), {}, &frmMain::mnuImportThemes_Click);
        // Only a host with print layouts prints a page per set.
        if (m_themes->exportsLayouts())
            add(QStringLiteral("Export Layout for Each Set..."), {}, &frmMain::mnuExportLayouts_Click);
        separator();
        m_themes->setSetFile([this] { return setFileNativePath(); });
        m_themes->setSetStore(
            [this] { return m_state.setDatabase ? m_state.setDatabase->connectionText() : QString(); });
        m_themes->setOnChange([this] { showThemeState(); });
        showThemeState();
    }
    m_filter = new SetListFilter(*ui->lstbx1, this);
    add(QStringLiteral("Find..."), {QKeySequence(Qt::CTRL | Qt::Key_F)}, &frmMain::mnuFind_Click)
        ->setShortcutContext(Qt::WindowShortcut);
}

void frmMain::setPrompts(std::unique_ptr<SetPrompts> prompts)
{
    m_prompts = std::move(prompts);
}

bool frmMain::runSteps(const QString &procedure, const Steps &steps, OnFailure onFailure)
{
    SetStore store(m_state);
    std::int32_t line = 0;
    try {
        steps(store, line);
        return true;
    } catch (...) {
        if (onFailure != OnFailure::Report)
            m_state.channel1.closeQuietly();
        if (onFailure != OnFailure::CloseChannel)
            m_state.reporter().reportCurrentFailure(procedure, kModule, line);
        return false;
    }
}

QStringList frmMain::selectedSetNames() const
{
    QStringList names;
    for (int row = 0; row < ui->lstbx1->count(); ++row)
        if (ui->lstbx1->item(row)->isSelected())
            names.append(ui->lstbx1->item(row)->text());
    return names;
}

void frmMain::mnuRestoreExactly_Click()
{
    runSteps(QStringLiteral("mnuRestoreExactly_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QListWidgetItem *current = ui->lstbx1->currentItem();
        if (!current)
            return;
        line = 20;
        store.close();
        store.openForInput();
        line = 30;
        store.restoreSet(current->text(), currentDocument(m_state), SetStore::Restore::Exactly);
        m_marks->setLastRestored(current->text());
        line = 35;
        // The file is let go before the redraw, which may take long: the
        // lock would keep other computers from saving meanwhile.
        store.close();
        line = 40;
        RefreshAfterVisibilityChange(m_state);
    });
}

void frmMain::mnuRename_Click()
{
    runSteps(QStringLiteral("mnuRename_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QListWidgetItem *current = ui->lstbx1->currentItem();
        if (!current)
            return;
        const QString from = current->text();
        line = 20;
        const std::optional<QString> to = m_prompts->newName(this, from);
        if (!to || *to == from)
            return;
        if (!SetNames::fileHolds(*to)) {
            line = 25;
            m_state.services.messageBox().show(SetNames::notHeldText(*to), m_state.productName);
            return;
        }
        line = 30;
        // The list tells whether the name is in use as far as it knows; the
        // file decides, and a name saved meanwhile by another is asked about too.
        auto onto = SetStore::OntoNameInUse::Refuse;
        if (!ui->lstbx1->findItems(*to, Qt::MatchExactly).isEmpty()) {
            if (!m_prompts->confirmMerge(this, from, *to))
                return;
            onto = SetStore::OntoNameInUse::Merge;
        }
        line = 40;
        store.close();
        if (store.renameSet(from, *to, onto) == SetStore::Rename::NameInUse && m_prompts->confirmMerge(this, from, *to))
            store.renameSet(from, *to, SetStore::OntoNameInUse::Merge);
        line = 50;
        lstbx1_Refresh();
    });
}

void frmMain::mnuDelete_Click()
{
    runSteps(QStringLiteral("mnuDelete_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QStringList names = selectedSetNames();
        if (names.isEmpty())
            return;
        line = 20;
        store.close();
        store.deleteSets(names);
        line = 30;
        lstbx1_Refresh();
    });
}

void frmMain::mnuReplace_Click()
{
    runSteps(QStringLiteral("mnuReplace_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QListWidgetItem *current = ui->lstbx1->currentItem();
        if (!current)
            return;
        line = 20;
        store.close();
        store.replaceSet(current->text(), currentDocument(m_state));
        line = 30;
        lstbx1_Refresh();
    });
}

void frmMain::mnuEditLayers_Click()
{
    runSteps(QStringLiteral("mnuEditLayers_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QListWidgetItem *current = ui->lstbx1->currentItem();
        if (!current)
            return;
        const QString setName = current->text();
        line = 20;
        store.close();
        const SetLayers layers = store.layersOf(setName, currentDocument(m_state));
        if (layers.recorded.empty()) {
            // Gone since the list was read.
            lstbx1_Refresh();
            return;
        }
        line = 30;
        const std::optional<std::vector<SetLayers::Layer>> edited = m_prompts->editLayers(this, setName, layers);
        if (!edited)
            return;
        line = 40;
        // The set may have been saved again while the dialog was open: that
        // save is overwritten only when the person says so, knowing what it
        // changed.
        std::vector<SetLayers::Layer> asRead;
        for (const SetLayers::Row &row : layers.recorded)
            asRead.push_back(row.layer);
        std::vector<SetStore::LayerChange> changes;
        if (store.editSet(setName, *edited, asRead, &changes) == SetStore::Edit::ChangedSince
            && m_prompts->overwriteChangedSet(this, setName, SetStore::describe(changes)))
            store.editSet(setName, *edited, std::nullopt);
        line = 50;
        lstbx1_Refresh();
    });
}

void frmMain::mnuFind_Click()
{
    m_filter->open();
}

void frmMain::mnuExport_Click()
{
    runSteps(QStringLiteral("mnuExport_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QStringList names = selectedSetNames();
        if (names.isEmpty())
            return;
        line = 20;
        const QString file = m_prompts->exportFile(this, names);
        if (file.isEmpty())
            return;
        line = 30;
        store.exportSets(names, file);
    });
}

void frmMain::mnuImport_Click()
{
    runSteps(QStringLiteral("mnuImport_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const QString file = m_prompts->importFile(this);
        if (file.isEmpty())
            return;
        line = 20;
        store.close();
        store.importSets(file, [this](const QString &name) { return m_prompts->onClash(this, name); });
        line = 30;
        lstbx1_Refresh();
    });
}

void frmMain::mnuUndo_Click()
{
    runSteps(QStringLiteral("mnuUndo_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        store.close();
        store.undo();
        line = 20;
        lstbx1_Refresh();
    });
}

void frmMain::mnuKeepThemes_Click(bool keep)
{
    runSteps(
        QStringLiteral("mnuKeepThemes_Click "),
        [&](SetStore &, std::int32_t &line) {
            line = 10;
            m_themes->setKeepsSets(keep);
        },
        OnFailure::Report);
    showThemeState();
}

void frmMain::mnuImportThemes_Click()
{
    runSteps(QStringLiteral("mnuImportThemes_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        const std::vector<ISetThemes::Theme> themes = m_themes->ownThemes();
        if (themes.empty())
            return;
        line = 20;
        store.close();
        store.importThemes(themes, [this](const QString &name) { return m_prompts->onClash(this, name); });
        line = 30;
        lstbx1_Refresh();
    });
}

void frmMain::mnuExportLayouts_Click()
{
    m_themes->exportLayouts(selectedSetNames());
}

void frmMain::showThemeState()
{
    if (!m_themes)
        return;
    const bool keeping = m_themes->keepsSets();
    m_keepThemes->setChecked(keeping);
    const QStringList withheld = keeping ? m_themes->withheldSets() : QStringList();
    const QString why = QStringLiteral("Not map themes, since the project has themes of its own of these names: ");
    m_keepThemes->setToolTip(withheld.isEmpty() ? QString() : why + withheld.join(QStringLiteral(", ")));
    // The menu names a few; the tooltip every one.
    QStringList shown = withheld.mid(0, 3);
    if (withheld.size() > 3)
        shown << QStringLiteral("...");
    m_withheldThemes->setText(QStringLiteral("Not Map Themes (the project's own): ")
                              + shown.join(QStringLiteral(", ")));
    m_withheldThemes->setToolTip(m_keepThemes->toolTip());
    m_withheldThemes->setVisible(!withheld.isEmpty());
}

void frmMain::applyLook()
{
    WindowLook::paintBackground(this);
    WindowLook::paintBackground(ui->Frame2);
    ui->Frame2->setFont(WindowLook::font(8.25, true));
    WindowLook::setTextColour(ui->Frame2, QColor(128, 0, 0));

    ui->lstbx1->setFont(WindowLook::font(8.25, true));
    WindowLook::setTextColour(ui->lstbx1, QColor(0, 0, 255));
    // A save inserts one name into a list of perhaps thousands, which the
    // list then lays out whole: remembered sizes keep that quick.
    ui->lstbx1->setItemDelegate(new RememberedSizeDelegate(ui->lstbx1));

    for (QPushButton *button : {ui->btnCreateNewGrid, ui->Command1, ui->Command3, ui->Command2})
        WindowLook::makePictureButton(button, WindowLook::font(8.25));
    WindowLook::makePictureButton(ui->btnHelp2, WindowLook::font(9.75));

    ui->Label1->setFont(WindowLook::font(8.25));
    WindowLook::setTextColour(ui->Label1, Qt::black);
    ui->txtVersion->setFont(WindowLook::font(8.25));
    WindowLook::setTextColour(ui->txtVersion, QColor(224, 224, 224));
    for (QLabel *link : {ui->Label2, ui->Label3}) {
        link->setFont(WindowLook::font(8.25));
        WindowLook::setTextColour(link, QColor(0, 0, 192));
    }
    for (QWidget *pointing :
         std::initializer_list<QWidget *>{ui->lstbx1, ui->btnCreateNewGrid, ui->Command1, ui->Command3, ui->Command2,
                                          ui->btnHelp2, ui->Image2, ui->Label2, ui->Label3})
        pointing->setCursor(WindowLook::handCursor());
    ui->Image2->setPixmap(WindowLook::logo());
}

std::shared_ptr<IModelessFrame> frmMain::Frame()
{
    return FormFrame::obtain(m_state.services, m_frame, this, m_state.productName);
}

void frmMain::Form_Load()
{
    // A failed load was reported: the refreshes that follow do not tell it again.
    m_refreshReported = !runSteps(QStringLiteral("Form_Load "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        WindowLook::centreFrame(m_state.services, Frame(), kWidthTwips, kHeightTwips);
        line = 20;
        ui->txtVersion->setText(m_state.productVersion);
        line = 30;
        clearSetNames();
        line = 40;
        store.close();
        line = 50;
        store.openForInput();
        line = 60;
        store.listNames([this](const QString &name) { addSetName(name); });
        line = 70;
        store.close();
        m_marks->recompute();
    });
    showLockSupport();
    showStoreRights();
    // Read (or its failure told) for the showing that follows the load.
    m_listFresh = true;
}

QString frmMain::setFileNativePath() const
{
    try {
        return WindowsPath::toNative(m_state.services, m_state.setFilePath);
    } catch (...) {
        // Without a drive table there is no file to follow; the list's own
        // reads report that.
        return QString();
    }
}

void frmMain::showLockSupport()
{
    // The team's database takes no file locks: there is nothing to warn of.
    const QString nativePath = m_state.setDatabase ? QString() : setFileNativePath();
    if (m_locksLookedAt == nativePath)
        return;
    m_locksLookedAt = nativePath;
    const bool supported = nativePath.isEmpty() || FileLock::supportedAt(nativePath);
    QLabel *note = ui->lblNoLocks;
    if (!supported) {
        QString text = FileLock::unsupportedWarning(nativePath);
        text[0] = text[0].toUpper();
        note->setToolTip(text + QLatin1Char('.'));
        note->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(note->size()));
    }
    note->setVisible(!supported);
}

void frmMain::showStoreRights()
{
    SetDatabase *database = m_state.setDatabase.get();
    bool mayChange = true;
    QString why;
    if (database) {
        try {
            mayChange = database->mayChange();
        } catch (...) {
            // A server away: the list's own read reports it, and the
            // changes report it again if they are tried.
        }
        if (!mayChange)
            why = QStringLiteral("Only listing and restoring: the role \"%1\" may not change the sets at %2.")
                      .arg(database->role(), database->server());
    }
    for (QAction *action : std::as_const(m_changing)) {
        action->setEnabled(mayChange);
        action->setToolTip(why);
    }
    // The buttons keep their own tooltips for when they may be pressed.
    for (QPushButton *button : {ui->btnCreateNewGrid, ui->Command1}) {
        if (!button->property("ownToolTip").isValid())
            button->setProperty("ownToolTip", button->toolTip());
        button->setEnabled(mayChange);
        button->setToolTip(mayChange ? button->property("ownToolTip").toString() : why);
    }
}

void frmMain::lstbx1_Refresh()
{
    if (!isVisible())
        return;
    // Told once: a file that stays unreadable is not reported at every change.
    const OnFailure onFailure = m_refreshReported ? OnFailure::CloseChannel : OnFailure::CloseChannelAndReport;
    m_refreshReported = !runSteps(
        QStringLiteral("lstbx1_Refresh "),
        [&](SetStore &store, std::int32_t &line) {
            line = 10;
            store.close();
            line = 20;
            store.openForInput();
            line = 30;
            QStringList names;
            store.listNames([&names](const QString &name) { names.append(name); });
            line = 40;
            store.close();
            line = 50;
            // The list is replaced only once the whole file was read; the
            // selected set stays selected without being restored again.
            const QListWidgetItem *selected = ui->lstbx1->currentItem();
            const QString selectedName = selected ? selected->text() : QString();
            clearSetNames();
            for (const QString &name : std::as_const(names))
                addSetName(name);
            if (selected) {
                const QList<QListWidgetItem *> same = ui->lstbx1->findItems(selectedName, Qt::MatchExactly);
                const QSignalBlocker quiet(ui->lstbx1);
                if (!same.isEmpty())
                    ui->lstbx1->setCurrentItem(same.front());
            }
            m_listFresh = true;
            if (m_state.setDatabase)
                m_pictures->storeChanged();
            m_marks->recompute();
            if (m_themes)
                m_themes->setsChanged();
        },
        onFailure);
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Shown again by the toolbar button: the file may have changed meanwhile.
    if (!m_listFresh)
        lstbx1_Refresh();
    m_marks->recompute();
    showLockSupport();
    if (m_state.setDatabase)
        showStoreRights();
    followStore();
}

void frmMain::followStore()
{
    // The team's database tells of its changes; a file is watched.
    if (m_state.setDatabase) {
        m_fileWatch->stop();
        m_storeWatch->follow(m_state.setDatabase->connectionText());
    } else {
        m_storeWatch->stop();
        m_fileWatch->follow(setFileNativePath());
    }
}

void frmMain::mnuStore_Click()
{
    runSteps(
        QStringLiteral("mnuStore_Click "),
        [&](SetStore &, std::int32_t &line) {
            line = 10;
            const QString current = m_state.setDatabase ? m_state.setDatabase->connectionText() : QString();
            const std::optional<QString> chosen = m_prompts->storeConnection(this, current);
            if (!chosen || *chosen == current)
                return;
            line = 20;
            StoreConnection::remember(*chosen);
            m_state.setDatabase = chosen->isEmpty() ? nullptr : std::make_shared<SetDatabase>(*chosen);
            m_pictures->storeChanged();
            line = 30;
            showStoreRights();
            showLockSupport();
            followStore();
            // The list reports a store it cannot read.
            m_refreshReported = false;
            lstbx1_Refresh();
        },
        OnFailure::Report);
}

void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Back in the window after working elsewhere: the layers or the current
    // document may have changed without a host event telling so.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_marks->recompute();
}

void frmMain::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_fileWatch->stop();
    m_storeWatch->stop();
    m_listFresh = false;
}

void frmMain::addSetName(const QString &name)
{
    QListWidget *list = ui->lstbx1;
    const QSignalBlocker quiet(list);
    list->insertItem(m_order.insert(name), name);
    m_marks->fileChanged();
}

void frmMain::clearSetNames()
{
    const QSignalBlocker quiet(ui->lstbx1);
    ui->lstbx1->clear();
    m_order.clear();
}

QListWidget *frmMain::setList() const
{
    return ui->lstbx1;
}

void frmMain::lstbx1_Click()
{
    runSteps(QStringLiteral("lstbx1_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        store.close();
        line = 20;
        store.openForInput();
        line = 30;
        const QListWidgetItem *selected = ui->lstbx1->currentItem();
        const QString setName = selected ? selected->text() : QString();
        IDocument &document = currentDocument(m_state);
        line = 40;
        store.restoreSet(setName, document);
        m_marks->setLastRestored(setName);
        line = 45;
        // The file is let go before the redraw, which may take long: the
        // lock would keep other computers from saving meanwhile.
        store.close();
        line = 50;
        RefreshAfterVisibilityChange(m_state);
    });
}

void frmMain::btnCreateNewGrid_Click()
{
    runSteps(
        QStringLiteral("btnCreateNewGrid_Click "),
        [&](SetStore &, std::int32_t &line) {
            line = 10;
            forgetHidden(m_nameDialogs);
            m_nameDialogs.push_back(std::make_unique<frmName>(m_state, *this));
            line = 20;
            m_nameDialogs.back()->Frame()->setVisible(true);
        },
        OnFailure::Report);
}

void frmMain::Command1_Click()
{
    const bool finished = runSteps(QStringLiteral("Command1_Click "), [&](SetStore &store, std::int32_t &line) {
        line = 10;
        clearSetNames();
        line = 20;
        store.emptyFile();
        line = 30;
        store.close();
        line = 40;
        store.openForAppend();
        line = 50;
        store.close();
    });
    // Told once: a file that the failure left unreadable is not reported again.
    if (!finished)
        m_refreshReported = true;
    // The list shows what the file holds now: nothing, or every set that a
    // refused delete left in it.
    lstbx1_Refresh();
}

void frmMain::Command2_Click()
{
    runSteps(QStringLiteral("Command2_Click "), [&](SetStore &, std::int32_t &line) {
        line = 10;
        IDocument &document = currentDocument(m_state);
        LayerWalk::setAllVisible(document, false);
        line = 20;
        document.updateContents();
        line = 30;
        required(document.activeView()).refresh();
    });
    m_marks->recompute();
}

void frmMain::Command3_Click()
{
    runSteps(QStringLiteral("Command3_Click "), [&](SetStore &, std::int32_t &line) {
        line = 10;
        LayerWalk::setAllVisible(currentDocument(m_state), true);
        line = 20;
        RefreshAfterVisibilityChange(m_state);
    });
    m_marks->recompute();
}

void frmMain::btnHelp_Click()
{
    runSteps(
        QStringLiteral("btnHelp_Click "),
        [&](SetStore &, std::int32_t &line) {
            line = 10;
            forgetHidden(m_helpWindows);
            m_helpWindows.push_back(std::make_unique<frmHelp>(m_state));
            line = 20;
            m_helpWindows.back()->Frame()->setVisible(true);
        },
        OnFailure::Report);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->lstbx1->viewport()) {
        const auto *click = static_cast<QMouseEvent *>(event);
        if (click->button() == Qt::LeftButton && click->modifiers().testFlag(Qt::AltModifier)
            && ui->lstbx1->itemAt(click->pos()) == ui->lstbx1->currentItem() && ui->lstbx1->currentItem()) {
            mnuEditLayers_Click();
            return true;
        }
    }
    if (ShellLink::isClick(event)) {
        // The logo and Label2 both link to the web site.
        if (watched == ui->Image2 || watched == ui->Label2)
            Label2_Click();
        else if (watched == ui->Label3)
            Label3_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::Label2_Click()
{
    ShellLink::open(m_state.services, this, MakerAddresses::webSite());
}
void frmMain::Label3_Click()
{
    ShellLink::open(m_state.services, this, QStringLiteral("mailto:") + MakerAddresses::infoEmail());
}
