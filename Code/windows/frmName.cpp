#include "frmName.h"

#include "ui_frmName.h"

#include "ErrorHandling.h"
#include "FileChannel.h"
#include "FormFrame.h"
#include "HostServices.h"
#include "ILayer.h"
#include "IMap.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "LayerWalk.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"
#include "VisibilitySetFile.h"
#include "WindowLook.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kModule = QStringLiteral("frmName");
constexpr double kWidthTwips = 4065;
constexpr double kHeightTwips = 840;
} // namespace

frmName::frmName(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmName>())
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
    return FormFrame::obtain(m_frame, this, QuarnelGIS_Public::instance().productName);
}

void frmName::Form_Load()
{
    std::int32_t line = 0;
    try {
        line = 10;
        required(m_frame);
        WindowLook::centreFrame(m_frame, kWidthTwips, kHeightTwips);
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("Form_Load "), kModule, line);
    }
}

void frmName::Command1_Click()
{
    FileChannel &channel = FileChannel::channel1();
    QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    std::int32_t line = 0;
    try {
        line = 10;
        const QString setName = ui->txt1->text();
        if (setName.isEmpty()) {
            line = 20;
            HostServices::messageBox().show(QStringLiteral("Please enter a name or hit cancel."), state.productName);
            return;
        }
        line = 30;
        channel.close();
        line = 40;
        channel.openForAppend(state.setFilePath);
        line = 50;
        // A map's name is read at its first layer, once for all its layers.
        bool mapNamed = false;
        QString mapName;
        LayerWalk::forEachRecordable(
            required(state.document),
            [&](IMap &) {
                mapNamed = false;
                return true;
            },
            [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
                if (!mapNamed) {
                    mapName = map.name();
                    mapNamed = true;
                }
                const QString layerName = layer->name();
                VisibilitySetFile::writeRecord(channel, setName, mapName, layerName, layer->visible());
            });
        line = 60;
        channel.close();
        line = 70;
        required(state.mainWindow).addSetName(setName);
        line = 80;
        ui->txt1->clear();
        line = 90;
        hideDialog();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("Command1_Click "), kModule, line);
    }
}

void frmName::Command2_Click()
{
    std::int32_t line = 0;
    try {
        line = 10;
        hideDialog();
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("Command2_Click "), kModule, line);
    }
}

void frmName::hideDialog()
{
    hide();
    if (m_frame)
        m_frame->setVisible(false);
}
