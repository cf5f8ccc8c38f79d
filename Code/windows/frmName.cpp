#include "frmName.h"

#include "ui_frmName.h"

#include "CurrentDocument.h"
#include "FormFrame.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"
#include "SetNames.h"
#include "SetStore.h"
#include "WindowLook.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kModule = QStringLiteral("frmName");
constexpr double kWidthTwips = 4065;
constexpr double kHeightTwips = 840;
} // namespace

frmName::frmName(QuarnelGIS_Public &state, frmMain &mainWindow, QWidget *parent)
    : QWidget(parent), m_state(state), m_mainWindow(mainWindow), ui(std::make_unique<Ui::frmName>())
{
    ui->setupUi(this);
    WindowLook::paintBackground(this);
    ui->Label1->setFont(WindowLook::font(8.25, true));
    WindowLook::setTextColour(ui->Label1, Qt::black);
    ui->txt1->setFont(WindowLook::font(9.75, true));
    WindowLook::setTextColour(ui->txt1, QColor(0, 0, 255));
    ui->txt1->setCursor(Qt::IBeamCursor);
    for (QPushButton *button : {ui->Command1, ui->Command2}) {
        WindowLook::makePictureButton(button, WindowLook::font(8.25));
        button->setCursor(WindowLook::handCursor());
    }

    // "OK" is the default button: Enter in the text box presses it.
    connect(ui->txt1, &QLineEdit::returnPressed, this, &frmName::Command1_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmName::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &frmName::Command2_Click);
}

frmName::~frmName() = default;

std::shared_ptr<IModelessFrame> frmName::Frame()
{
    return FormFrame::obtain(m_state.services, m_frame, this, m_state.productName);
}

void frmName::Form_Load()
{
    std::int32_t line = 0;
    try {
        line = 10;
        required(m_frame);
        WindowLook::centreFrame(m_state.services, m_frame, kWidthTwips, kHeightTwips);
    } catch (...) {
        m_state.reporter().reportCurrentFailure(QStringLiteral("Form_Load "), kModule, line);
    }
}

void frmName::Command1_Click()
{
    SetStore store(m_state);
    std::int32_t line = 0;
    try {
        line = 10;
        const QString setName = ui->txt1->text();
        if (setName.isEmpty()) {
            line = 20;
            m_state.services.messageBox().show(QStringLiteral("Please enter a name or hit cancel."),
                                               m_state.productName);
            return;
        }
        if (!SetNames::fileHolds(setName)) {
            line = 25;
            m_state.services.messageBox().show(SetNames::notHeldText(setName), m_state.productName);
            return;
        }
        line = 30;
        store.close();
        line = 40;
        store.openForAppend();
        line = 50;
        store.appendSet(setName, currentDocument(m_state));
        line = 60;
        store.close();
        line = 70;
        m_mainWindow.addSetName(setName);
        line = 80;
        ui->txt1->clear();
        line = 90;
        hideDialog();
    } catch (...) {
        m_state.channel1.closeQuietly();
        m_state.reporter().reportCurrentFailure(QStringLiteral("Command1_Click "), kModule, line);
    }
}

void frmName::Command2_Click()
{
    std::int32_t line = 0;
    try {
        line = 10;
        hideDialog();
    } catch (...) {
        m_state.reporter().reportCurrentFailure(QStringLiteral("Command2_Click "), kModule, line);
    }
}

void frmName::hideDialog()
{
    hide();
    if (m_frame)
        m_frame->setVisible(false);
}
