#pragma once

#include "IForm.h"

#include <QWidget>

#include <memory>

class IModelessFrame;
class frmMain;
struct QuarnelGIS_Public;

namespace Ui {
class frmName;
}

/// The name dialog: asks for a set name and, on "OK", has the set store save
/// the document's visibility under it and the main window list it. A new
/// instance is made for every press of "Save "; the main window owns it, the
/// instance keeps its modeless frame.
class frmName : public QWidget, public IForm
{
    Q_OBJECT

public:
    frmName(QuarnelGIS_Public &state, frmMain &mainWindow, QWidget *parent = nullptr);
    ~frmName() override;

    /// The dialog's modeless frame, created, attached (which loads and centres
    /// the dialog) and captioned on the first request.
    std::shared_ptr<IModelessFrame> Frame();

    QWidget *formWidget() override { return this; }
    void formLoad() override { Form_Load(); }

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void hideDialog();

    QuarnelGIS_Public &m_state;
    frmMain &m_mainWindow;
    std::unique_ptr<Ui::frmName> ui;
    std::shared_ptr<IModelessFrame> m_frame;
};
