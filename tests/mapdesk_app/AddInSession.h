#pragma once

#include "DesktopHost.h"
#include "FakeHost.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QAction;
class QListWidget;
class SetPrompts;
class frmMain;

namespace mapdesk {
class Document;
class FrameWindow;
class Layer;
} // namespace mapdesk

/// A whole mapdesk with the add-in's module registered (in a registry of its
/// own) and loaded, drive C: in a folder of its own, offscreen, driven as a
/// person does: the toolbar button, the window's buttons, clicks on the set
/// list, the name dialog and the list's menu. The add-in's message boxes are
/// recorded instead of shown. Owns the host and its registry folder, and the
/// drive's folder unless one was given.
class AddInSession
{
public:
    /// Starts mapdesk on `document` (a sample's file name, or a path) with
    /// drive C: in the folder `driveC` (which has a Program Files folder), or
    /// in a fresh folder of its own when none is given.
    explicit AddInSession(const QString &document = QStringLiteral("city.mapdesk.json"),
                          const QString &driveC = QString());
    ~AddInSession();

    /// A sample file's path (relative to the samples' folder), or an absolute path as it is.
    static QString sample(const QString &fileName);
    /// What start-up reported in message boxes, when it showed any.
    static QStringList startupBoxes();

    mapdesk::DesktopHost host;
    std::shared_ptr<fake::MessageBoxes> boxes = std::make_shared<fake::MessageBoxes>();

    /// The texts of the boxes the add-in showed so far.
    QStringList boxTexts() const;
    /// The add-in's settings folder on the drive C: rooted in `driveC`.
    static QString settingsFolder(const QString &driveC);
    /// Drive C:'s root folder.
    QString driveC() const { return m_driveC; }
    /// The set file as the add-in finds it on drive C:.
    QString setFile() const;
    QByteArray setFileBytes() const;

    /// Presses the add-in's toolbar button; returns its window, or null.
    frmMain *pressButton();
    frmMain *window() const { return m_window; }
    QListWidget *list() const;
    /// The names the list shows, top to bottom.
    QStringList listed() const;

    /// Clicks a button of the add-in's window by its caption ("Save ", "On"...).
    void press(const QString &caption);
    /// Presses "Save ", types `name` into the name dialog and presses its OK.
    void save(const QString &name);
    /// Clicks the list entry `name` (holding Ctrl adds it to the selection).
    void click(const QString &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// The list's menu entry with the caption `text`, or null.
    QAction *menuAction(const QString &text) const;
    /// Triggers the list's menu entry `text`; false when there is none.
    bool menu(const QString &text);
    void setPrompts(std::unique_ptr<SetPrompts> prompts);

    /// The document mapdesk shows now.
    std::shared_ptr<mapdesk::Document> document() const;
    /// Opens another document as File > Open does.
    bool open(const QString &document);
    /// Every feature layer of `document` (the one shown now when null) that
    /// the add-in records, as "Map/Layer", with its visibility flag.
    QMap<QString, bool> visibility(const mapdesk::Document *document = nullptr) const;
    /// The layer "Map/Layer" of the document shown now, or null.
    std::shared_ptr<mapdesk::Layer> layer(const QString &mapSlashLayer) const;
    /// Ticks or clears the layer's box in the table of contents, as by hand.
    void tick(const QString &mapSlashLayer, bool visible);
    /// Whether the table of contents shows the layer's box ticked.
    bool ticked(const QString &mapSlashLayer) const;

private:
    mapdesk::FrameWindow *frameOf(const char *formClass) const;

    std::unique_ptr<QTemporaryDir> m_registry;
    std::unique_ptr<QTemporaryDir> m_ownDrive;
    QString m_driveC;
    frmMain *m_window = nullptr;
};
