#include "frmMain.h"

#include "ui_frmMain.h"

#include "ErrorHandling.h"
#include "FileChannel.h"
#include "HostClassIds.h"
#include "HostError.h"
#include "HostServices.h"
#include "IFramePosition.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "IScreenMetrics.h"
#include "QuarnelGIS_Public.h"
#include "VisibilitySetFile.h"

#include <QListWidget>

#include <algorithm>
#include <cmath>

frmMain::frmMain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
}

frmMain::~frmMain() = default;

std::shared_ptr<IModelessFrame> frmMain::Frame()
{
    if (!m_frame) {
        auto frame = std::dynamic_pointer_cast<IModelessFrame>(
            HostServices::objectFactory().create(HostClassIds::ModelessFrame));
        if (!frame)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("No such interface supported"));
        // Stored before attaching: the load step, which runs during the
        // attachment, asks for the frame again and must get this one.
        m_frame = frame;
        m_frame->attach(this);
        m_frame->setCaption(QuarnelGIS_Public::instance().productName);
    }
    return m_frame;
}

void frmMain::Form_Load() {}

void frmMain::addSetName(const QString &name)
{
    QListWidget *list = ui->lstbx1;
    list->insertItem(list->count(), name);
}

QListWidget *frmMain::setList() const { return ui->lstbx1; }

void frmMain::RefreshLegend(std::shared_ptr<IElement>, std::shared_ptr<IView>) {}
std::shared_ptr<IElement> frmMain::GetLegendElement(std::shared_ptr<IMap>) { return nullptr; }
void frmMain::lstbx1_Click() {}
void frmMain::lstbx1_DblClick() {}
void frmMain::btnCreateNewGrid_Click() {}
void frmMain::Command1_Click() {}
void frmMain::Command2_Click() {}
void frmMain::Command3_Click() {}
void frmMain::btnHelp_Click() {}
void frmMain::Image2_Click() {}
void frmMain::Label2_Click() {}
void frmMain::Label3_Click() {}
