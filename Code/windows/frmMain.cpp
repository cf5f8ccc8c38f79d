#include "frmMain.h"

#include "ui_frmMain.h"

#include "ErrorHandling.h"
#include "FileChannel.h"
#include "FormFrame.h"
#include "HostClassIds.h"
#include "HostServices.h"
#include "IApplication.h"
#include "IDocument.h"
#include "IElement.h"
#include "IGeometry.h"
#include "IGraphicsContainer.h"
#include "ILayer.h"
#include "ILegend.h"
#include "IMap.h"
#include "IMapFrame.h"
#include "IMapSurround.h"
#include "IMapSurroundFrame.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "IPageLayout.h"
#include "IView.h"
#include "LayerIndex.h"
#include "LayerWalk.h"
#include "MakerAddresses.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"
#include "RefreshAfterVisibilityChange.h"
#include "RememberedSizeDelegate.h"
#include "ShellLink.h"
#include "VisibilitySetFile.h"
#include "WindowLook.h"
#include "frmHelp.h"
#include "frmName.h"

#include <QListWidget>

#include <algorithm>
#include <optional>

namespace {
const QString kModule = QStringLiteral("frmMain");
constexpr double kWidthTwips = 4590;
constexpr double kHeightTwips = 2595;

/// Drops the windows of earlier presses that are no longer shown; a hidden
/// name dialog or help window is never shown again.
template <typename Window> void forgetHidden(std::vector<std::shared_ptr<Window>> &windows)
{
    std::erase_if(windows, [](const std::shared_ptr<Window> &window) { return !window->isVisible(); });
}
} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    applyLook();

    ui->Label2->setText(MakerAddresses::webHost());
    ui->Label3->setText(MakerAddresses::infoEmail());
    ui->Image2->setToolTip(QStringLiteral("For more information, please visit ") + MakerAddresses::webHost()
                           + QStringLiteral(" or email ") + MakerAddresses::infoEmail());
    for (QWidget *link : std::initializer_list<QWidget *>{ui->Image2, ui->Label2, ui->Label3})
        link->installEventFilter(this);

    // Every selection the list reports, by mouse or keyboard, restores the set.
    connect(ui->lstbx1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!ui->lstbx1->selectedItems().isEmpty())
            lstbx1_Click();
    });
    connect(ui->lstbx1, &QListWidget::itemDoubleClicked, this, &frmMain::lstbx1_DblClick);
    connect(ui->btnCreateNewGrid, &QPushButton::clicked, this, &frmMain::btnCreateNewGrid_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(ui->btnHelp2, &QPushButton::clicked, this, &frmMain::btnHelp_Click);
}

frmMain::~frmMain() = default;

void frmMain::applyLook()
{
    WindowLook::paintBackground(this);
    WindowLook::paintBackground(ui->Frame2);
    ui->Frame2->setFont(WindowLook::font(8.25, true));
    WindowLook::setTextColour(ui->Frame2, QColor(128, 0, 0));

    ui->lstbx1->setFont(WindowLook::font(8.25, true));
    WindowLook::setTextColour(ui->lstbx1, QColor(0, 0, 255));
    // A save inserts one name into a list of perhaps thousands, which the
    // list then lays out whole: remembered sizes keep that quick.
    ui->lstbx1->setItemDelegate(new RememberedSizeDelegate(ui->lstbx1));

    for (QPushButton *button : {ui->btnCreateNewGrid, ui->Command1, ui->Command3, ui->Command2})
        WindowLook::makePictureButton(button, WindowLook::font(8.25));
    WindowLook::makePictureButton(ui->btnHelp2, WindowLook::font(9.75));

    ui->Label1->setFont(WindowLook::font(8.25));
    WindowLook::setTextColour(ui->Label1, Qt::black);
    ui->txtVersion->setFont(WindowLook::font(8.25));
    WindowLook::setTextColour(ui->txtVersion, QColor(224, 224, 224));
    for (QLabel *link : {ui->Label2, ui->Label3}) {
        link->setFont(WindowLook::font(8.25));
        WindowLook::setTextColour(link, QColor(0, 0, 192));
    }
    for (QWidget *pointing : std::initializer_list<QWidget *>{ui->lstbx1, ui->btnCreateNewGrid, ui->Command1,
                                                              ui->Command3, ui->Command2, ui->btnHelp2, ui->Image2,
                                                              ui->Label2, ui->Label3})
        pointing->setCursor(WindowLook::handCursor());
    ui->Image2->setPixmap(WindowLook::logo());
}

std::shared_ptr<IModelessFrame> frmMain::Frame()
{
    return FormFrame::obtain(m_frame, this, QuarnelGIS_Public::instance().productName);
}

void frmMain::Form_Load()
{
    FileChannel &channel = FileChannel::channel1();
    const QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    std::int32_t line = 0;
    try {
        line = 10;
        WindowLook::centreFrame(Frame(), kWidthTwips, kHeightTwips);
        line = 20;
        ui->txtVersion->setText(state.productVersion);
        line = 30;
        clearSetNames();
        line = 40;
        channel.close();
        line = 50;
        channel.openForInput(state.setFilePath);
        line = 60;
        VisibilitySetFile::listSetNames(channel, [this](const QString &name) { addSetName(name); });
        line = 70;
        channel.close();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("Form_Load "), kModule, line);
    }
}

void frmMain::addSetName(const QString &name)
{
    // Sorted ignoring case; an equal name goes after those already there.
    QListWidget *list = ui->lstbx1;
    int low = 0;
    int high = list->count();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (QString::compare(list->item(mid)->text(), name, Qt::CaseInsensitive) <= 0)
            low = mid + 1;
        else
            high = mid;
    }
    const QSignalBlocker quiet(list);
    list->insertItem(low, name);
}

void frmMain::clearSetNames()
{
    const QSignalBlocker quiet(ui->lstbx1);
    ui->lstbx1->clear();
}

QListWidget *frmMain::setList() const { return ui->lstbx1; }

void frmMain::lstbx1_Click()
{
    FileChannel &channel = FileChannel::channel1();
    const QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    std::int32_t line = 0;
    try {
        line = 10;
        channel.close();
        line = 20;
        channel.openForInput(state.setFilePath);
        line = 30;
        const QListWidgetItem *selected = ui->lstbx1->currentItem();
        const QString setName = selected ? selected->text() : QString();
        IDocument &document = required(state.document);
        line = 40;
        // The document is indexed once, at the set's first record, instead of
        // being walked again for every record.
        std::optional<LayerIndex> layers;
        VisibilitySetFile::selectSet(channel, setName, [&](const VisibilityRecord &record) {
            if (!layers)
                layers.emplace(document);
            const bool visible = record.isVisible();
            for (const std::shared_ptr<ILayer> &layer : layers->find(record.mapName, record.layerName))
                layer->setVisible(visible);
        });
        line = 50;
        RefreshAfterVisibilityChange();
        line = 60;
        channel.close();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("lstbx1_Click "), kModule, line);
    }
}

void frmMain::lstbx1_DblClick()
{
    // The selection made by the first click has already restored the set.
}

void frmMain::btnCreateNewGrid_Click()
{
    std::int32_t line = 0;
    try {
        line = 10;
        forgetHidden(m_nameDialogs);
        auto dialog = std::make_shared<frmName>();
        m_nameDialogs.push_back(dialog);
        line = 20;
        dialog->Frame()->setVisible(true);
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("btnCreateNewGrid_Click "), kModule, line);
    }
}

void frmMain::Command1_Click()
{
    FileChannel &channel = FileChannel::channel1();
    const QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    std::int32_t line = 0;
    try {
        line = 10;
        clearSetNames();
        line = 20;
        QuarnelGIS_IO::fDeleteFile(state.setFilePath);
        line = 30;
        channel.close();
        line = 40;
        channel.openForAppend(state.setFilePath);
        line = 50;
        channel.close();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("Command1_Click "), kModule, line);
    }
}

void frmMain::Command2_Click()
{
    FileChannel &channel = FileChannel::channel1();
    std::int32_t line = 0;
    try {
        line = 10;
        IDocument &document = required(QuarnelGIS_Public::instance().document);
        LayerWalk::setAllVisible(document, false);
        line = 20;
        document.updateContents();
        line = 30;
        required(document.activeView()).refresh();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("Command2_Click "), kModule, line);
    }
}

void frmMain::Command3_Click()
{
    FileChannel &channel = FileChannel::channel1();
    std::int32_t line = 0;
    try {
        line = 10;
        LayerWalk::setAllVisible(required(QuarnelGIS_Public::instance().document), true);
        line = 20;
        RefreshAfterVisibilityChange();
    } catch (...) {
        channel.closeQuietly();
        ErrorHandling::reportCurrentFailure(QStringLiteral("Command3_Click "), kModule, line);
    }
}

void frmMain::btnHelp_Click()
{
    std::int32_t line = 0;
    try {
        line = 10;
        forgetHidden(m_helpWindows);
        auto help = std::make_shared<frmHelp>();
        m_helpWindows.push_back(help);
        line = 20;
        help->Frame()->setVisible(true);
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("btnHelp_Click "), kModule, line);
    }
}

std::shared_ptr<IElement> frmMain::GetLegendElement(std::shared_ptr<IMap> map)
{
    std::shared_ptr<IElement> result;
    std::int32_t line = 0;
    try {
        line = 10;
        auto application = seenAs<IApplication>(
            HostServices::objectFactory().create(HostClassIds::ApplicationReference));
        line = 20;
        auto container = seenAs<IGraphicsContainer>(required(application->document()).pageLayout());
        line = 30;
        container->reset();
        line = 40;
        while (std::shared_ptr<IElement> element = container->next()) {
            line = 50;
            auto surroundFrame = std::dynamic_pointer_cast<IMapSurroundFrame>(element);
            if (!surroundFrame)
                continue;
            line = 60;
            // The very same map object, not merely one of the same name.
            if (required(surroundFrame->mapFrame()).map() != map)
                continue;
            line = 70;
            if (std::dynamic_pointer_cast<ILegend>(surroundFrame->mapSurround()))
                result = element;
            line = 40;
        }
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("GetLegendElement "), kModule, line);
    }
    return result;
}

void frmMain::RefreshLegend(std::shared_ptr<IElement> element, std::shared_ptr<IView> view)
{
    std::int32_t line = 0;
    try {
        line = 10;
        auto surround = seenAs<IMapSurroundFrame>(element)->mapSurround();
        seenAs<ILegend>(surround);
        surround->refresh();
        line = 20;
        bool changed = true;
        surround->fitToBounds(required(view).screenDisplay(), required(required(element).geometry()).envelope(),
                              changed);
        line = 30;
        view->partialRefresh(IView::Graphics, element, nullptr);
    } catch (...) {
        ErrorHandling::reportCurrentFailure(QStringLiteral("RefreshLegend "), kModule, line);
    }
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (ShellLink::isClick(event)) {
        if (watched == ui->Image2)
            Image2_Click();
        else if (watched == ui->Label2)
            Label2_Click();
        else if (watched == ui->Label3)
            Label3_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::Image2_Click() { ShellLink::open(this, MakerAddresses::webSite()); }
void frmMain::Label2_Click() { ShellLink::open(this, MakerAddresses::webSite()); }
void frmMain::Label3_Click() { ShellLink::open(this, QStringLiteral("mailto:") + MakerAddresses::infoEmail()); }
