#pragma once

#include "IForm.h"

#include <QWidget>

#include <memory>

class IModelessFrame;
struct QuarnelGIS_Public;

namespace Ui {
class frmHelp;
}

/// The help window: the help page as one picture, with links to the maker's
/// web site, e-mail and product page. A new instance is made for every press
/// of "?"; the main window keeps it, the instance keeps its modeless frame.
class frmHelp : public QWidget, public IForm
{
    Q_OBJECT

public:
    explicit frmHelp(QuarnelGIS_Public &state, QWidget *parent = nullptr);
    ~frmHelp() override;

    /// The window's modeless frame, created, attached and captioned
    /// "<product> - Help" on the first request.
    std::shared_ptr<IModelessFrame> Frame();

    QWidget *formWidget() override { return this; }
    void formLoad() override { Form_Load(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load() {}
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();

    QuarnelGIS_Public &m_state;
    std::unique_ptr<Ui::frmHelp> ui;
    std::shared_ptr<IModelessFrame> m_frame;
};
