#pragma once

#include "DataAddition.h"
#include "Document.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QStackedWidget;
class QThreadPool;
class QTimer;

namespace mapdesk {

class Application;
class BackgroundReads;
class DocumentLoad;
class IdentifyWindow;
class Layer;
class LayoutView;
class MapView;
class TocWidget;
class WorkProgress;

/// mapdesk's application window: menus File (New, Open..., Add Data...,
/// Save, Save As..., Export Layout..., Quit) and View (Data View, Layout View), the table of contents beside the
/// data view or the layout view (whichever is the document's active view),
/// the command toolbars and the status bar. It shows the application's
/// current document and follows it when another one is opened.
///
/// The title names the document, with `*` while it holds unsaved changes;
/// New, Open and closing the window first ask whether to save them. Save As
/// gives a name without a suffix the suffix ".mapdesk.json". A
/// change of layer flags made by a command counts as a change once the
/// command has the table of contents or the map redrawn.
///
/// Opening a document shows it at once and reads its layers' data on a pool
/// of threads, a few at once; each layer's data is installed as it arrives
/// and the views are redrawn at most every 50 ms (less often while a drawing
/// takes longer than 25 ms). Add Data reads its files
/// the same way. Reading that takes longer than the progress delay (half a
/// second) shows its progress in the status bar and can be cancelled: the
/// layers read by then stay, the rest are reported as not loaded. Opening
/// another document, New and closing the window stop the reading first.
///
/// Failures to open or save name the file and the fault in the status bar
/// and on standard error (and, when interactive, in a message box that does
/// not block); the document shown before stays. Shares the application.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(std::shared_ptr<Application> application, QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Reads the document at `path` and makes it the application's current
    /// document, its layers' data still being read (readingFinished() tells
    /// when done); a reading under way is stopped first. On failure reports
    /// it and keeps the current document. Does not ask about unsaved changes
    /// (see confirmDiscard()).
    bool openDocument(const QString &path);
    /// Makes a new untitled document current, without asking.
    void newDocument();
    /// Adds each data file of `paths` as a layer at the top of the focus map,
    /// in the order given (the first on top). A file holding several layers
    /// (a GeoPackage's tables) adds the ones chosen (see setLayerChooser(),
    /// asked before reading), each as a layer. The files are read while the
    /// window goes on; the layers join the map once all are read
    /// (readingFinished()). A file that cannot be read is refused with a
    /// message naming it and saying why, and adds nothing; features that
    /// could not be read are told of too. False when nothing is read (no
    /// file, or a reading under way).
    bool addData(const QStringList &paths);
    /// Files dropped on the window: a map document is opened (after asking
    /// about unsaved changes), data files are added.
    void filesDropped(const QStringList &paths);
    /// When the document has unsaved changes, asks whether to save them
    /// (Save / Discard / Cancel). True when the caller may go on: nothing was
    /// modified, the changes were saved, or the user discarded them.
    bool confirmDiscard();
    /// Saves the current document to its file (asking for one when it has none).
    bool saveDocument();
    /// Saves the current document to `path`, which becomes its file.
    bool saveDocumentAs(const QString &path);
    /// The features of the focus map's drawn feature layers at `at` (map
    /// coordinates, within `tolerance`), top layer first, shown in the
    /// Identify window. Returns how many were found.
    int identifyAt(const QPointF &at, double tolerance);
    IdentifyWindow *identifyWindow() const { return m_identify; }
    QAction *identifyAction() const { return m_identifyAction; }
    /// Writes the page layout to `path`: a PDF at 300 dpi when the name ends
    /// in ".pdf", else an image at 150 dpi. A failure is reported, naming the file.
    bool exportLayout(const QString &path);
    /// The file Save As writes for the name `chosen`: with ".mapdesk.json"
    /// added when the name has no suffix.
    static QString documentFileName(const QString &chosen);
    /// Makes `kind` the document's active view and shows it.
    void showView(Document::ViewKind kind);

    /// Tells the user about a failure: status bar, standard error and, when
    /// interactive, a message box.
    void reportProblem(const QString &message);
    /// Several failures at once, in one message box when interactive.
    void reportProblems(const QStringList &messages);
    /// Whether problems are also shown in message boxes (not in tests).
    void setInteractive(bool interactive) { m_interactive = interactive; }
    /// Reads one data file (one of its layers, when named) for Add Data: a
    /// layer, or null with the fault in `error`. Called on a reading thread.
    using DataReader = DataAddition::Reader;
    /// How Add Data reads each file (DataFile::open unless set); a failure it
    /// throws refuses that file only, naming it.
    void setDataReader(DataReader reader) { m_dataReader = std::move(reader); }
    /// Which of the layers of a data file holding several to add (none: the file adds nothing).
    using LayerChooser = std::function<QStringList(const QString &path, const QStringList &layers)>;
    /// How Add Data asks about a file holding several layers; unless set, a
    /// LayerChoiceDialog when interactive, otherwise every layer.
    void setLayerChooser(LayerChooser chooser) { m_layerChooser = std::move(chooser); }
    /// How long opening or adding data runs before its progress shows, in ms.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }
    /// The progress of the opening or adding under way, or null.
    WorkProgress *work() const { return m_work; }
    /// How many layers' data are read at once.
    void setParallelReads(int count);

    std::shared_ptr<Application> application() const { return m_application; }
    TocWidget *tableOfContents() const { return m_toc; }
    MapView *dataView() const { return m_dataView; }
    LayoutView *layoutView() const { return m_layoutView; }
    QAction *dataViewAction() const { return m_dataViewAction; }
    QAction *layoutViewAction() const { return m_layoutViewAction; }
    /// The status bar's fields: the pointer's coordinates in the map's system, the map's scale.
    QLabel *pointerField() const { return m_pointer; }
    QLabel *scaleField() const { return m_scale; }

    QSize sizeHint() const override { return {1000, 700}; }

signals:
    /// The reading of an opened document's layers, or of added data, ended
    /// (read whole, or stopped).
    void readingFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void bindDocument();
    void showActiveView();
    void updateTitle();
    void openTriggered();
    void newTriggered();
    void addDataTriggered();
    bool saveAsTriggered();
    void documentRedrawn();
    void takeSavedFlags();
    void showPointer(const QPointF &at);
    void showScale();
    QStringList chooseLayers(const QString &path, const QStringList &layers);
    using Progressed = std::function<void(int installed)>;
    using Ended = std::function<void(int installed, bool cancelled)>;
    /// Runs `jobs` as the work under way, with its progress.
    void startWork(std::vector<std::function<std::function<void()>()>> jobs, std::size_t first, Progressed progressed,
                   Ended ended);
    /// Stops the work under way, if any: nothing more is installed.
    void stopWork();
    void readLayers(const std::shared_ptr<DocumentLoad> &load);
    void documentRead(const std::shared_ptr<DocumentLoad> &load, int read);
    /// Redraws the views within 50 ms (longer while drawing takes long), once however often asked.
    void scheduleRefresh();

    std::shared_ptr<Application> m_application;
    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    TocWidget *m_toc = nullptr;
    MapView *m_dataView = nullptr;
    LayoutView *m_layoutView = nullptr;
    QStackedWidget *m_views = nullptr;
    IdentifyWindow *m_identify = nullptr;
    QAction *m_identifyAction = nullptr;
    QLabel *m_pointer = nullptr;
    QLabel *m_scale = nullptr;
    QAction *m_dataViewAction = nullptr;
    QAction *m_layoutViewAction = nullptr;
    bool m_interactive = false;
    int m_progressDelay = 500;
    WorkProgress *m_work = nullptr;
    std::unique_ptr<WorkProgress> m_progress;
    /// The threads that read layers' data; waited for when the window goes.
    std::unique_ptr<QThreadPool> m_readers;
    BackgroundReads *m_reads = nullptr;
    /// The document the work under way reads into.
    std::weak_ptr<Document> m_workDocument;
    QTimer *m_refresh = nullptr;
    QElapsedTimer m_refreshAsked;
    qint64 m_drawingMs = 0;
    DataReader m_dataReader;
    LayerChooser m_layerChooser;
    /// Every layer's flag as of the last open or save, in tree order.
    std::vector<std::pair<const void *, bool>> m_savedFlags;
};

} // namespace mapdesk
