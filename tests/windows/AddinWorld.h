#pragma once

#include "SetsWorld.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include <memory>

/// The add-in's main window at work over the fake world of SetsWorld: created
/// over the world's state and shown, as the first click leaves it. The world
/// owns the window and destroys it before its state.
class AddinWorld : public SetsWorld
{
public:
    AddinWorld();
    ~AddinWorld();

    /// Replaces the main window by a new one over the same state, as a new start-up does.
    void newWindow();
    /// A new main window that loads (lists the file) and is shown, as the first click does.
    void reload();
    frmMain &window() { return *mainWindow; }
    QListWidget &list() { return *window().setList(); }
    QStringList listed();
    template <typename T> T *control(const char *name) { return window().findChild<T *>(QLatin1String(name)); }

    /// Selects the entry at `row` as a user's click does.
    void select(int row);
    /// Clicks a button of the main window.
    void press(const char *button);
    /// Presses "Save " and returns the new name dialog.
    QWidget *pressSave();
    /// The text box of a name dialog.
    static QLineEdit *nameBox(QWidget *dialog);
    /// Clicks a button of a name dialog (Command1 "OK", Command2 "Cancel").
    static void pressIn(QWidget *dialog, const char *button);
    /// Puts `name` into a name dialog and presses "OK".
    static void saveAs(QWidget *dialog, const QString &name);

    std::unique_ptr<frmMain> mainWindow;
};
