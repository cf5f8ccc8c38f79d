#pragma once

#include "FakeHost.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class frmMain;
struct QuarnelGIS_Public;
class frmName;
class QListWidget;
class QPushButton;

namespace mapdesk {
class Application;
class Document;
class Layer;
} // namespace mapdesk

/// The add-in at work in a mapdesk document, driven through its real windows
/// (offscreen when there is no display): fake desktop services, drive C with
/// the settings folder in a temporary folder, drive D on the folder of the
/// generated data, and the state record filled as start-up and the first
/// click fill it. The add-in's visibility-set file "config" is a copy of a
/// generated file, so that saves append to the copy; truncateFile() takes it
/// back. There is one world per process.
class BenchWorld
{
public:
    explicit BenchWorld(const QString &dataFolder);
    ~BenchWorld();

    /// Generated file of `records` records (native path; Windows path on D:).
    QString dataFile(std::int64_t records) const;
    QString dataFileWindowsPath(std::int64_t records) const;

    /// Makes the generated file of `records` records the add-in's file and a
    /// document of BenchData::layersFor(records) layers the current one, and
    /// loads a new main window over them when either changed since the
    /// window was made (or there is none).
    void use(std::int64_t records);
    /// The same without loading a window.
    void prepare(std::int64_t records);
    /// Makes an empty file the add-in's file.
    void useEmptyFile();
    /// Makes a copy of the generated file the add-in's file, unless it is already.
    void copyFile(std::int64_t records);

    /// A new main window, created as start-up creates it, not yet loaded.
    void createMainWindow();
    /// Loads and shows the main window as the first click does.
    void showMainWindow();

    frmMain &window();
    /// The add-in's state record, with its channel 1.
    QuarnelGIS_Public &state() { return *m_host.state; }
    QListWidget &list();
    QPushButton &mainButton(const char *name);

    /// Where to click in the list to select `setName`; clears the selection
    /// first so that the click is a new selection.
    QPoint placeOf(const QString &setName);

    /// Opens a name dialog through "Save " and types `setName` into it.
    frmName &openNameDialog(const QString &setName);
    static QPushButton &dialogButton(frmName &dialog, const char *name);

    /// Size of the add-in's file and truncation back to a size.
    std::int64_t fileSize() const;
    void truncateFile(std::int64_t size) const;
    QString addinFile() const;

    /// Forgets frames of windows already dropped.
    void forgetFrames();
    /// Boxes shown so far (error reports among them).
    std::size_t boxCount() const { return m_host.boxes->boxes.size(); }
    QString lastBox() const;

    /// Recordable feature layers whose flag differs from expected(m, n), for
    /// layer n (numbered in its map's walk) of map m, where that has a value;
    /// -1 when the document does not have the expected shape.
    std::int64_t flagsDifferingFrom(const std::function<std::optional<bool>(int, int)> &expected) const;
    /// Sets the flag of layer n of map m to wanted(m, n), where that has a value.
    void setFlags(const std::function<std::optional<bool>(int, int)> &wanted) const;

    const std::shared_ptr<mapdesk::Document> &document() const { return m_document; }

private:
    /// Visits feature layer n of map m for every recordable layer, in walk
    /// order; false when the document does not have the expected shape.
    bool forEachFeatureLayer(const std::function<void(int, int, mapdesk::Layer &)> &visit) const;

    fake::FakeHost m_host;
    QString m_dataFolder;
    QString m_settingsFolder;
    std::int64_t m_records = -1;
    int m_layers = -1;
    std::shared_ptr<mapdesk::Document> m_document;
    std::shared_ptr<mapdesk::Application> m_application;
    /// Counts the changes of the add-in's file and of the document, and
    /// the count when the window was made.
    std::uint64_t m_changes = 0;
    std::uint64_t m_windowChanges = 0;
    std::unique_ptr<frmMain> m_window;
};
