#include "frmHelp.h"

#include "ui_frmHelp.h"

#include "FormFrame.h"
#include "MakerAddresses.h"
#include "QuarnelGIS_Public.h"
#include "ShellLink.h"
#include "WindowLook.h"

#include <QMouseEvent>

frmHelp::frmHelp(QuarnelGIS_Public &state, QWidget *parent)
    : QWidget(parent), m_state(state), ui(std::make_unique<Ui::frmHelp>())
{
    ui->setupUi(this);
    setWindowTitle(m_state.productName + QStringLiteral(" - Help"));
    ui->Picture->setPixmap(WindowLook::helpPicture());
    QPalette white = ui->Frame1->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->Frame1->setPalette(white);
    ui->Frame1->setAutoFillBackground(true);

    ui->Label2->setText(MakerAddresses::webHost());
    ui->Label3->setText(MakerAddresses::infoEmail());
    for (QLabel *link : {ui->Label2, ui->Label3, ui->Label4}) {
        link->setFont(WindowLook::font(9.75, false, true));
        WindowLook::setTextColour(link, QColor(0, 0, 192));
        link->setCursor(WindowLook::handCursor());
        link->installEventFilter(this);
    }
}

frmHelp::~frmHelp() = default;

std::shared_ptr<IModelessFrame> frmHelp::Frame()
{
    return FormFrame::obtain(m_state.services, m_frame, this, m_state.productName + QStringLiteral(" - Help"));
}

bool frmHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (ShellLink::isClick(event)) {
        if (watched == ui->Label2)
            Label2_Click();
        else if (watched == ui->Label3)
            Label3_Click();
        else if (watched == ui->Label4)
            Label4_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmHelp::Label2_Click()
{
    ShellLink::open(m_state.services, this, MakerAddresses::webSite());
}
void frmHelp::Label3_Click()
{
    ShellLink::open(m_state.services, this, QStringLiteral("mailto:") + MakerAddresses::infoEmail());
}
void frmHelp::Label4_Click()
{
    ShellLink::open(m_state.services, this,
                    MakerAddresses::webSite() + QStringLiteral("/Products/ArcGIS/") + m_state.productName
                        + QStringLiteral("/index.htm"));
}
