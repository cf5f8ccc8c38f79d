#pragma once

#include "IForm.h"
#include "SetNameOrder.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class IModelessFrame;
class ISetThemes;
class QAction;
class QListWidget;
class SetDatabaseWatch;
class SetFileWatch;
class SetListFilter;
class SetListMarks;
class SetPictures;
class SetPrompts;
class SetStore;
struct QuarnelGIS_Public;
class frmHelp;
class frmName;

namespace Ui {
class frmMain;
}

/// The add-in's working window: the list of saved visibility sets and the
/// buttons that save, restore, switch all layers and forget all sets. Each
/// handler is a few steps into the set store and the layer switches. The
/// command object owns the instance and the state record it works on; the
/// instance owns its modeless frame, which it creates on the first request
/// for Frame(), and the name dialogs and help windows it opens.
class frmMain : public QWidget, public IForm
{
    Q_OBJECT

public:
    explicit frmMain(QuarnelGIS_Public &state, QWidget *parent = nullptr);
    ~frmMain() override;

    /// The window's modeless frame, created, stored, attached (which loads the
    /// window) and captioned on the first request. Failures reach the caller.
    std::shared_ptr<IModelessFrame> Frame();

    /// Adds a set name in its alphabetical place, after any equal one.
    void addSetName(const QString &name);
    /// The set list, for the windows that add to it and for tests.
    QListWidget *setList() const;
    /// Replaces who answers the set menu's questions (tests).
    void setPrompts(std::unique_ptr<SetPrompts> prompts);

    QWidget *formWidget() override { return this; }
    void formLoad() override { Form_Load(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyLook();
    /// The set file's native path; empty without a drive table to find it.
    QString setFileNativePath() const;
    /// Shows, in the window and without a question, whether the set file's
    /// file system takes locks; looked at again only when the file moved.
    void showLockSupport();
    /// Greys the commands that change the sets, saying why, when the team's
    /// database lets the person's role only list and restore them.
    void showStoreRights();
    /// Follows the changes of the store the sets are kept in now.
    void followStore();
    void clearSetNames();
    void Form_Load();
    void lstbx1_Click();
    void lstbx1_Refresh();
    void buildSetMenu();
    /// What a handler's failure does besides ending the handler.
    enum class OnFailure {
        Report,                ///< reported only: the handler never opens channel 1
        CloseChannelAndReport, ///< channel 1 is closed, then the failure is reported
        CloseChannel,          ///< channel 1 is closed; the failure was reported before
    };
    using Steps = std::function<void(SetStore &store, std::int32_t &line)>;
    /// Runs the numbered steps of a handler: each sets `line` to the number of
    /// the statement it starts. A failure is reported at the procedure and the
    /// statement reached. Returns whether the steps ran to their end.
    bool runSteps(const QString &procedure, const Steps &steps, OnFailure onFailure = OnFailure::CloseChannelAndReport);
    QStringList selectedSetNames() const;
    void mnuRestoreExactly_Click();
    void mnuRename_Click();
    void mnuDelete_Click();
    void mnuReplace_Click();
    void mnuEditLayers_Click();
    void mnuFind_Click();
    void mnuExport_Click();
    void mnuImport_Click();
    void mnuUndo_Click();
    void mnuStore_Click();
    void mnuKeepThemes_Click(bool keep);
    void mnuImportThemes_Click();
    void mnuExportLayouts_Click();
    /// Shows whether the sets are kept as themes, and which are not.
    void showThemeState();
    void btnCreateNewGrid_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void btnHelp_Click();
    void Label2_Click();
    void Label3_Click();

    QuarnelGIS_Public &m_state;
    std::unique_ptr<Ui::frmMain> ui;
    SetNameOrder m_order;           ///< the names of the list, in its order
    SetFileWatch *m_fileWatch;      ///< a child: follows the file while the window is shown
    SetDatabaseWatch *m_storeWatch; ///< a child: follows the team's database while the window is shown
    SetListMarks *m_marks;          ///< a child: marks the entries that match the layers shown now
    SetListFilter *m_filter;        ///< a child: the one-line filter over the list, shown by Find
    SetPictures *m_pictures;        ///< a child: the sets' pictures for the list's tooltips
    std::unique_ptr<SetPrompts> m_prompts;
    std::shared_ptr<ISetThemes> m_themes;   ///< the host's map themes; null when it has none
    QList<QAction *> m_changing;            ///< the menu's items that change the sets
    QAction *m_keepThemes = nullptr;        ///< the menu's check item, with the host's themes
    QAction *m_withheldThemes = nullptr;    ///< names the sets that are not themes
    bool m_listFresh = false;               ///< the list was read since the window was last shown
    bool m_refreshReported = false;         ///< a failed refresh was reported; later ones are not
    std::optional<QString> m_locksLookedAt; ///< where the set file was when its locks were looked at
    std::shared_ptr<IModelessFrame> m_frame;
    std::vector<std::unique_ptr<frmName>> m_nameDialogs;
    std::vector<std::unique_ptr<frmHelp>> m_helpWindows;
};
