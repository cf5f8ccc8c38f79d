#pragma once

#include "ISetThemes.h"
#include "SetFileWatch.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace quarnelqgis {

class QgisApplication;
class QgisSession;

/// The visibility sets as map themes of the QGIS project. The switch and the
/// names of the themes published are entries of the project (so that a
/// project saved with themes published is known again when it is opened);
/// the themes themselves are the project's, and stay in it when the plugin
/// is unloaded. While the switch is on, every set of the file is a theme of
/// its name showing what a click on the set would show now: the layers it
/// records as recorded (matched as a restore matches them), every other layer
/// as the canvas shows it. A theme of the person's own is never changed: a
/// set of its name is not published. The themes follow the file (its own
/// watch, whether the add-in's window is shown or not) and the project's
/// layers (added, removed, renamed, moved), a burst of changes once.
/// Borrows the session and the application.
class QgisSetThemes : public QObject, public ISetThemes
{
    Q_OBJECT

public:
    QgisSetThemes(QgisSession *session, std::shared_ptr<QgisApplication> application);
    ~QgisSetThemes() override;

    /// The project entries' scope.
    static QString scope();

    void setSetFile(std::function<QString()> nativePath) override;
    void setOnChange(std::function<void()> onChange) override;
    bool keepsSets() override;
    void setKeepsSets(bool keep) override;
    void setsChanged() override;
    QStringList withheldSets() override;
    std::vector<Theme> ownThemes() override;

    /// Brings the themes in step with the file and the project now; nothing
    /// while the switch is off or the file is unknown.
    void publishNow();
    /// The names of the themes published from the sets.
    QStringList published() const;

private:
    void setPublished(const QStringList &names);
    void followLayers();
    void followLayer(QObject *layer);
    void told();

    QPointer<QgisSession> m_session;
    std::shared_ptr<QgisApplication> m_application;
    std::function<QString()> m_setFile;
    std::function<void()> m_onChange;
    QStringList m_withheld;
    SetFileWatch m_watch;
    QTimer m_settle; ///< gathers a burst of changes into one publish
};

} // namespace quarnelqgis
