#pragma once

#include "IForm.h"

#include <QWidget>

#include <memory>
#include <vector>

class IElement;
class IMap;
class IModelessFrame;
class IView;
class QListWidget;
class frmHelp;
class frmName;

namespace Ui {
class frmMain;
}

/// The add-in's working window: the list of saved visibility sets and the
/// buttons that save, restore, switch all layers and forget all sets. The
/// state record owns the instance; the instance owns its modeless frame,
/// which it creates on the first request for Frame().
class frmMain : public QWidget, public IForm
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    /// The window's modeless frame, created, stored, attached (which loads the
    /// window) and captioned on the first request. Failures reach the caller.
    std::shared_ptr<IModelessFrame> Frame();
    /// Refreshes a legend element, fits it to its bounds and redraws it.
    void RefreshLegend(std::shared_ptr<IElement> element, std::shared_ptr<IView> view);
    /// The last legend element of `map` in the current document's page layout.
    std::shared_ptr<IElement> GetLegendElement(std::shared_ptr<IMap> map);

    /// Adds a set name in its sorted place (case ignored), beside any equal one.
    void addSetName(const QString &name);
    /// The set list, for the windows that add to it and for tests.
    QListWidget *setList() const;

    QWidget *formWidget() override { return this; }
    void formLoad() override { Form_Load(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyLook();
    void clearSetNames();
    void Form_Load();
    void lstbx1_Click();
    void lstbx1_DblClick();
    void btnCreateNewGrid_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void btnHelp_Click();
    void Image2_Click();
    void Label2_Click();
    void Label3_Click();

    std::unique_ptr<Ui::frmMain> ui;
    std::shared_ptr<IModelessFrame> m_frame;
    std::vector<std::shared_ptr<frmName>> m_nameDialogs;
    std::vector<std::shared_ptr<frmHelp>> m_helpWindows;
};
