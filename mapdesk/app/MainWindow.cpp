#include "MainWindow.h"

#include "Application.h"
#include "BackgroundReads.h"
#include "DataAddition.h"
#include "DataFile.h"
#include "DocumentError.h"
#include "DocumentEvents.h"
#include "DocumentLoad.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "HostError.h"
#include "IdentifyWindow.h"
#include "Layer.h"
#include "LayerChoiceDialog.h"
#include "LayerTree.h"
#include "LayoutView.h"
#include "Map.h"
#include "MapView.h"
#include "PageLayout.h"
#include "Symbol.h"
#include "TocWidget.h"
#include "WorkProgress.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <cmath>
#include <exception>
#include <iostream>

namespace mapdesk {

namespace {
const QString kDocumentFilter = QStringLiteral("Map documents (*.mapdesk.json *.json);;All files (*)");

/// How many layers (in groups too) have data that could not be read, how
/// many of them were not read because the reading was cancelled, and how
/// many were read with a warning.
void countUnread(const std::vector<std::shared_ptr<Layer>> &layers, int depth, int &unread, int &notLoaded, int &warned)
{
    for (const std::shared_ptr<Layer> &layer : layers) {
        const QString error = layer->errorText();
        if (error == DocumentReader::notLoadedText())
            ++notLoaded;
        else if (!error.isEmpty())
            ++unread;
        else if (!layer->warningText().isEmpty())
            ++warned;
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer); group && depth < 64)
            countUnread(group->members(), depth + 1, unread, notLoaded, warned);
    }
}

/// Every layer of `layers` (groups and their members too) with its flag, in tree order.
void collectFlags(const std::vector<std::shared_ptr<Layer>> &layers, std::vector<std::pair<const void *, bool>> &out,
                  int depth)
{
    for (const std::shared_ptr<Layer> &layer : layers) {
        out.emplace_back(layer.get(), layer->visible());
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer); group && depth < 64)
            collectFlags(group->members(), out, depth + 1);
    }
}

std::vector<std::pair<const void *, bool>> flagsOf(const Document *document)
{
    std::vector<std::pair<const void *, bool>> flags;
    if (document)
        for (const std::shared_ptr<Map> &map : document->mapModels())
            collectFlags(map->layers(), flags, 0);
    return flags;
}

} // namespace

MainWindow::MainWindow(std::shared_ptr<Application> application, QWidget *parent)
    : QMainWindow(parent), m_application(std::move(application)), m_readers(std::make_unique<QThreadPool>()),
      m_dataReader(&DataFile::open)
{
    m_readers->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (!m_document)
            return;
        m_refreshAsked.start();
        for (const std::shared_ptr<Map> &map : m_document->mapModels())
            map->refresh();
        m_document->pageLayoutModel()->refresh();
    });
    setObjectName(QStringLiteral("mapdeskMainWindow"));
    m_toc = new TocWidget;
    m_dataView = new MapView;
    m_layoutView = new LayoutView;
    m_views = new QStackedWidget;
    m_views->addWidget(m_dataView);
    m_views->addWidget(m_layoutView);
    connect(m_toc, &TocWidget::filesDropped, this, &MainWindow::filesDropped);
    connect(m_toc, &TocWidget::problem, this, &MainWindow::reportProblem);
    connect(m_toc, &TocWidget::coordinateSystemChanged, m_dataView, &MapView::zoomToFullExtent);
    connect(m_dataView, &MapView::filesDropped, this, &MainWindow::filesDropped);
    connect(m_layoutView, &LayoutView::filesDropped, this, &MainWindow::filesDropped);

    auto *splitter = new QSplitter;
    splitter->addWidget(m_toc);
    splitter->addWidget(m_views);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 760});
    setCentralWidget(splitter);

    createMenus();
    m_pointer = new QLabel;
    m_pointer->setObjectName(QStringLiteral("pointerField"));
    m_scale = new QLabel;
    m_scale->setObjectName(QStringLiteral("scaleField"));
    statusBar()->addPermanentWidget(m_pointer);
    statusBar()->addPermanentWidget(m_scale);
    WorkProgress::reserveRoom(this);
    connect(m_dataView, &MapView::pointerMoved, this, &MainWindow::showPointer);
    connect(m_dataView, &MapView::redrawn, this, &MainWindow::showScale);
    // How long the data view took to draw after the last refresh asked for
    // while reading: the next one waits for twice that, so that drawing
    // takes a third of the window's time at most.
    connect(m_dataView, &MapView::redrawn, this, [this] {
        if (m_refreshAsked.isValid())
            m_drawingMs = m_refreshAsked.elapsed();
        m_refreshAsked.invalidate();
    });
    statusBar()->showMessage(tr("Ready"));

    connect(m_application.get(), &Application::documentChanged, this, &MainWindow::bindDocument);
    bindDocument();
}

MainWindow::~MainWindow()
{
    if (m_reads) {
        disconnect(m_reads, nullptr, this, nullptr);
        m_reads->cancel();
    }
    m_progress.reset();
    // Reads still running end before the window's pool goes.
    m_readers->clear();
    m_readers->waitForDone();
    delete m_connections.data();
}

void MainWindow::setParallelReads(int count)
{
    m_readers->setMaxThreadCount(std::max(1, count));
}

void MainWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *newDocument = file->addAction(tr("&New"), this, &MainWindow::newTriggered);
    newDocument->setShortcut(QKeySequence::New);
    newDocument->setObjectName(QStringLiteral("fileNew"));
    QAction *open = file->addAction(tr("&Open..."), this, &MainWindow::openTriggered);
    open->setShortcut(QKeySequence::Open);
    open->setObjectName(QStringLiteral("fileOpen"));
    QAction *addData = file->addAction(tr("&Add Data..."), this, &MainWindow::addDataTriggered);
    addData->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    addData->setObjectName(QStringLiteral("fileAddData"));
    file->addSeparator();
    QAction *save = file->addAction(tr("&Save"), this, [this] { saveDocument(); });
    save->setShortcut(QKeySequence::Save);
    save->setObjectName(QStringLiteral("fileSave"));
    QAction *saveAs = file->addAction(tr("Save &As..."), this, [this] { saveAsTriggered(); });
    saveAs->setShortcut(QKeySequence::SaveAs);
    saveAs->setObjectName(QStringLiteral("fileSaveAs"));
    QAction *exportLayout = file->addAction(tr("&Export Layout..."), this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export Layout"), QDir::currentPath(),
                                                          tr("PDF (*.pdf);;PNG image (*.png);;JPEG image (*.jpg)"));
        if (!path.isEmpty())
            this->exportLayout(QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".pdf") : path);
    });
    exportLayout->setObjectName(QStringLiteral("fileExportLayout"));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setObjectName(QStringLiteral("fileQuit"));

    QMenu *layerMenu = menuBar()->addMenu(tr("&Layer"));
    layerMenu->addAction(m_toc->newGroupAction());
    layerMenu->addAction(m_toc->renameAction());
    layerMenu->addAction(m_toc->removeAction());

    QMenu *view = menuBar()->addMenu(tr("&View"));
    auto *views = new QActionGroup(this);
    m_dataViewAction = view->addAction(tr("&Data View"), this, [this] { showView(Document::ViewKind::Data); });
    m_layoutViewAction = view->addAction(tr("&Layout View"), this, [this] { showView(Document::ViewKind::Layout); });
    m_dataViewAction->setObjectName(QStringLiteral("viewData"));
    m_layoutViewAction->setObjectName(QStringLiteral("viewLayout"));
    for (QAction *action : {m_dataViewAction, m_layoutViewAction}) {
        action->setCheckable(true);
        views->addAction(action);
    }
    view->addSeparator();
    m_identifyAction = view->addAction(tr("&Identify"));
    m_identifyAction->setObjectName(QStringLiteral("viewIdentify"));
    m_identifyAction->setCheckable(true);
    m_identifyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_identifyAction, &QAction::toggled, this, [this](bool on) {
        if (on)
            showView(Document::ViewKind::Data);
        m_dataView->setIdentifying(on);
    });
    connect(m_dataView, &MapView::identifyRequested, this, &MainWindow::identifyAt);
    QAction *full = view->addAction(tr("Zoom to &Full Extent"), this, [this] {
        showView(Document::ViewKind::Data);
        m_dataView->zoomToFullExtent();
    });
    full->setObjectName(QStringLiteral("viewFullExtent"));
    full->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    auto *zoomToLayer = new QAction(tr("&Zoom to Layer"), this);
    zoomToLayer->setObjectName(QStringLiteral("layerZoomTo"));
    connect(zoomToLayer, &QAction::triggered, this, [this] {
        const std::shared_ptr<Layer> layer = m_toc->layerOf(m_toc->currentItem());
        if (!layer || !m_document)
            return;
        // The layer's own map becomes the one shown.
        for (const std::shared_ptr<Map> &map : m_document->mapModels())
            if (LayerTree::locate(*map, layer.get()))
                m_document->setFocusMap(map);
        showView(Document::ViewKind::Data);
        m_dataView->zoomToExtent(layer->extent());
    });
    m_toc->addLayerAction(zoomToLayer);
    layerMenu->addSeparator();
    layerMenu->addAction(zoomToLayer);
    layerMenu->addSeparator();
    layerMenu->addAction(m_toc->propertiesAction());
}

void MainWindow::bindDocument()
{
    // The document being read into is no longer shown: nothing more goes into it.
    if (m_reads && m_workDocument.lock() != m_application->currentDocument())
        stopWork();
    delete m_connections.data();
    m_document = m_application->currentDocument();
    m_toc->setDocument(m_document);
    m_dataView->setDocument(m_document);
    m_layoutView->setDocument(m_document);
    if (m_document) {
        m_connections = new QObject(this);
        DocumentEvents *events = m_document->events();
        connect(events, &DocumentEvents::activeViewChanged, m_connections, [this] { showActiveView(); });
        connect(events, &DocumentEvents::modifiedChanged, m_connections, [this] { updateTitle(); });
        connect(events, &DocumentEvents::contentsUpdated, m_connections, [this] { documentRedrawn(); });
        connect(events, &DocumentEvents::viewRefreshed, m_connections, [this] { documentRedrawn(); });
        connect(events, &DocumentEvents::partialRefresh, m_connections, [this] { documentRedrawn(); });
    }
    takeSavedFlags();
    showActiveView();
    updateTitle();
}

void MainWindow::showActiveView()
{
    const bool layout = m_document && m_document->activeViewKind() == Document::ViewKind::Layout;
    m_views->setCurrentWidget(layout ? static_cast<QWidget *>(m_layoutView) : m_dataView);
    (layout ? m_layoutViewAction : m_dataViewAction)->setChecked(true);
}

void MainWindow::showView(Document::ViewKind kind)
{
    if (m_document)
        m_document->setActiveViewKind(kind);
    showActiveView();
}

void MainWindow::updateTitle()
{
    const QString path = m_document ? m_document->filePath() : QString();
    const QString name = path.isEmpty() ? tr("Untitled") : QFileInfo(path).fileName();
    // Set in full rather than through the "[*]" placeholder, which a file
    // name may hold itself.
    const bool modified = m_document && m_document->isModified();
    setWindowTitle(QStringLiteral("%1%2 - mapdesk").arg(name, modified ? QStringLiteral("*") : QString()));
}

void MainWindow::showPointer(const QPointF &at)
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map)
        return;
    // Degrees to a tenth of a metre or so, other units to a centimetre.
    const int decimals = map->coordinateSystem().isGeographic() ? 6 : 2;
    m_pointer->setText(QStringLiteral("%1, %2").arg(QLocale().toString(at.x(), 'f', decimals),
                                                    QLocale().toString(at.y(), 'f', decimals)));
}

void MainWindow::showScale()
{
    const double scale = m_dataView->scaleDenominator();
    m_scale->setText(scale > 0 ? QStringLiteral("1:%1").arg(QLocale().toString(std::round(scale), 'f', 0)) : QString());
}

void MainWindow::takeSavedFlags()
{
    m_savedFlags = flagsOf(m_document.get());
}

void MainWindow::documentRedrawn()
{
    // Commands change flags without telling anyone but the views; a flag that
    // differs from the saved one once drawn is an unsaved change.
    if (m_document && !m_document->isModified() && flagsOf(m_document.get()) != m_savedFlags)
        m_document->setModified(true);
}

void MainWindow::newDocument()
{
    stopWork();
    m_application->setDocument(Document::createUntitled());
}

bool MainWindow::addData(const QStringList &paths)
{
    if (!m_document || paths.isEmpty() || m_work)
        return false;
    // Which tables of a file of several to add is asked before reading.
    std::vector<DataAddition::Table> tables;
    QStringList refused;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QStringList names;
        try {
            names = DataFile::datasetLayers(paths[i]);
            if (names.size() > 1)
                names = chooseLayers(paths[i], names);
            else
                names = QStringList{QString()}; // the file's one layer
        } catch (const std::exception &failure) {
            refused << tr("Cannot add %1").arg(DataAddition::faultOf(QDir::toNativeSeparators(paths[i]), failure));
            continue;
        }
        for (const QString &name : names)
            tables.push_back({static_cast<int>(i), name});
    }
    auto addition = std::make_shared<DataAddition>(m_document, paths, std::move(tables), refused);
    const auto stepAt = [this, addition](int installed) {
        const QStringList &files = addition->paths();
        const int next = installed < static_cast<int>(addition->tables().size())
                             ? addition->tables()[static_cast<std::size_t>(installed)].file
                             : static_cast<int>(files.size()) - 1;
        m_work->step(tr("Reading %1").arg(QFileInfo(files[next]).fileName()), next, static_cast<int>(files.size()));
    };
    const auto ended = [this, addition](int installed, bool cancelled) {
        if (addition->document() != m_application->currentDocument())
            return; // replaced while the files were read
        if (const int added = addition->install(installed, cancelled); added > 0)
            statusBar()->showMessage(tr("Added %n layer(s)", nullptr, added));
        reportProblems(addition->problems());
    };
    startWork(DataAddition::jobs(addition, m_dataReader), 0, stepAt, ended);
    return true;
}

void MainWindow::startWork(std::vector<BackgroundReads::Job> jobs, std::size_t first, Progressed progressed,
                           Ended ended)
{
    m_progress = std::make_unique<WorkProgress>(this, m_progressDelay);
    m_work = m_progress.get();
    m_workDocument = m_application->currentDocument();
    m_drawingMs = 0;
    m_reads = new BackgroundReads(m_readers.get(), this);
    // Queued: the work ends after the click that cancels it is handled.
    connect(m_progress.get(), &WorkProgress::cancelRequested, this, &MainWindow::stopWork, Qt::QueuedConnection);
    connect(m_reads, &BackgroundReads::progressed, this, [this, progressed](int installed, int) {
        progressed(installed);
        scheduleRefresh();
    });
    connect(m_reads, &BackgroundReads::finished, this, [this, ended] {
        const int installed = m_reads->installed();
        const bool cancelled = installed < m_reads->total();
        m_reads->deleteLater();
        m_reads = nullptr;
        m_progress.reset();
        m_work = nullptr;
        m_refresh->stop();
        ended(installed, cancelled);
        emit readingFinished();
    });
    progressed(0);
    m_reads->start(std::move(jobs), first);
}

void MainWindow::stopWork()
{
    if (m_reads)
        m_reads->cancel();
}

void MainWindow::scheduleRefresh()
{
    if (!m_refresh->isActive())
        m_refresh->start(std::max<qint64>(50, 2 * m_drawingMs));
}

QStringList MainWindow::chooseLayers(const QString &path, const QStringList &layers)
{
    if (m_layerChooser)
        return m_layerChooser(path, layers);
    if (!m_interactive)
        return layers;
    LayerChoiceDialog dialog(path, layers, this);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QStringList();
}

void MainWindow::filesDropped(const QStringList &paths)
{
    QStringList data;
    for (const QString &path : paths) {
        if (!DataFile::isDocument(path))
            data << path;
    }
    addData(data);
    for (const QString &path : paths) {
        // One document at a time: the first one dropped is opened.
        if (DataFile::isDocument(path)) {
            if (confirmDiscard())
                openDocument(path);
            break;
        }
    }
}

void MainWindow::addDataTriggered()
{
    const QString start = m_document && !m_document->filePath().isEmpty()
                              ? QFileInfo(m_document->filePath()).absolutePath()
                              : QDir::currentPath();
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Add Data"), start, DataFile::dialogFilter());
    addData(paths);
}

bool MainWindow::confirmDiscard()
{
    if (!m_document || !m_document->isModified())
        return true;
    const QString path = m_document->filePath();
    const QString name = path.isEmpty() ? tr("Untitled") : QFileInfo(path).fileName();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("mapdesk"),
                    tr("The document %1 has unsaved changes.").arg(name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("unsavedChanges"));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(tr("Do you want to save them?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return saveDocument();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!confirmDiscard()) {
        event->ignore();
        return;
    }
    // Closing while a document or data is read stops the reading.
    stopWork();
    event->accept();
}

void MainWindow::newTriggered()
{
    if (confirmDiscard())
        newDocument();
}

bool MainWindow::openDocument(const QString &path)
{
    std::shared_ptr<DocumentLoad> load;
    try {
        load = DocumentReader::readStructure(path);
    } catch (const std::exception &error) {
        reportProblem(tr("Cannot open %1").arg(DataAddition::faultOf(path, error)));
        return false;
    }
    stopWork();
    m_application->setDocument(load->document());
    readLayers(load);
    return true;
}

void MainWindow::readLayers(const std::shared_ptr<DocumentLoad> &load)
{
    const std::shared_ptr<const DocumentLoad::Plan> plan = load->plan();
    const int total = static_cast<int>(plan->sources.size());
    const auto progressed = [this, plan, total](int installed) {
        // The first job finds the maps' systems; the layers follow.
        const int done = std::max(0, installed - 1);
        if (done < total)
            m_work->step(tr("Reading %1").arg(plan->sources[static_cast<std::size_t>(done)].name), done, total);
    };
    const auto ended = [this, load](int installed, bool) { documentRead(load, std::max(0, installed - 1)); };
    startWork(DocumentLoad::jobs(load), 1, progressed, ended);
}

void MainWindow::documentRead(const std::shared_ptr<DocumentLoad> &load, int read)
{
    for (std::size_t rest = static_cast<std::size_t>(read); rest < load->size(); ++rest)
        load->leaveNotLoaded(rest);
    const std::shared_ptr<Document> document = load->document();
    if (document != m_application->currentDocument())
        return; // replaced while it was read
    for (const std::shared_ptr<Map> &map : document->mapModels())
        map->refresh();
    document->pageLayoutModel()->refresh();
    // The table of contents marks the layers that could not be read.
    document->updateContents();
    int unread = 0;
    int notLoaded = 0;
    int warned = 0;
    for (const std::shared_ptr<Map> &map : document->mapModels())
        countUnread(map->layers(), 0, unread, notLoaded, warned);
    QString opened = tr("Opened %1").arg(QDir::toNativeSeparators(document->filePath()));
    if (unread > 0)
        opened = tr("%1; the data of %n layer(s) could not be read", nullptr, unread).arg(opened);
    if (warned > 0)
        opened = tr("%1; %n layer(s) with warnings, marked in the table of contents", nullptr, warned).arg(opened);
    if (notLoaded > 0)
        opened = tr("%1; cancelled: %n layer(s) not loaded", nullptr, notLoaded).arg(opened);
    statusBar()->showMessage(opened);
}

bool MainWindow::saveDocument()
{
    if (!m_document)
        return false;
    if (m_document->filePath().isEmpty())
        return saveAsTriggered();
    return saveDocumentAs(m_document->filePath());
}

bool MainWindow::saveDocumentAs(const QString &path)
{
    if (!m_document)
        return false;
    const QString target = QFileInfo(path).absoluteFilePath();
    try {
        DocumentWriter::write(*m_document, target);
    } catch (const std::exception &error) {
        reportProblem(tr("Cannot save %1").arg(DataAddition::faultOf(target, error)));
        return false;
    }
    m_document->setFilePath(target);
    m_document->setModified(false);
    takeSavedFlags();
    updateTitle();
    statusBar()->showMessage(tr("Saved %1").arg(QDir::toNativeSeparators(target)));
    return true;
}

void MainWindow::openTriggered()
{
    if (!confirmDiscard())
        return;
    const QString start = m_document && !m_document->filePath().isEmpty()
                              ? QFileInfo(m_document->filePath()).absolutePath()
                              : QDir::currentPath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Map Document"), start, kDocumentFilter);
    if (!path.isEmpty())
        openDocument(path);
}

bool MainWindow::saveAsTriggered()
{
    const QString start = m_document && !m_document->filePath().isEmpty()
                              ? m_document->filePath()
                              : QDir::current().filePath(QStringLiteral("untitled.mapdesk.json"));
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Map Document"), start, kDocumentFilter);
    return !path.isEmpty() && saveDocumentAs(documentFileName(path));
}

int MainWindow::identifyAt(const QPointF &at, double tolerance)
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map)
        return 0;
    std::vector<IdentifyWindow::Found> found;
    for (const std::shared_ptr<Layer> &layer : map->drawnLayers()) {
        if (const auto features = std::dynamic_pointer_cast<FeatureLayer>(layer)) {
            for (const Feature &feature : features->features())
                if (feature.isAt(at, tolerance))
                    found.push_back({layer->name(), feature.attributes});
        }
    }
    if (!m_identify)
        m_identify = new IdentifyWindow(this);
    m_identify->showFound(found);
    m_identify->show();
    statusBar()->showMessage(tr("Identified %n feature(s)", nullptr, static_cast<int>(found.size())));
    return static_cast<int>(found.size());
}

bool MainWindow::exportLayout(const QString &path)
{
    // Print quality for a PDF, a sharp screen picture for an image.
    const bool pdf = path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    const QString fault = m_layoutView->exportTo(path, pdf ? 300 : 150);
    if (!fault.isEmpty()) {
        reportProblem(tr("Cannot export the layout to %1: %2").arg(QDir::toNativeSeparators(path), fault));
        return false;
    }
    statusBar()->showMessage(tr("Exported the layout to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

QString MainWindow::documentFileName(const QString &chosen)
{
    // Without a suffix the file would not be known as a map document by its name.
    if (QFileInfo(chosen).suffix().isEmpty())
        return chosen + QStringLiteral(".mapdesk.json");
    return chosen;
}

void MainWindow::reportProblem(const QString &message)
{
    reportProblems({message});
}

void MainWindow::reportProblems(const QStringList &messages)
{
    if (messages.isEmpty())
        return;
    for (const QString &message : messages)
        std::cerr << "mapdesk: " << message.toLocal8Bit().constData() << std::endl;
    statusBar()->showMessage(messages.constLast());
    if (m_interactive) {
        // Not modal: mapdesk stays usable while the message is shown.
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("mapdesk"), messages.join(QLatin1Char('\n')),
                                    QMessageBox::Ok, this);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }
}

} // namespace mapdesk
