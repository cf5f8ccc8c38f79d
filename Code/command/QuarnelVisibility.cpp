#include "QuarnelVisibility.h"

#include "HostBitmaps.h"
#include "HostClassIds.h"
#include "HostError.h"
#include "HostServices.h"
#include "IApplication.h"
#include "IDocument.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "MakerAddresses.h"
#include "ProductNames.h"
#include "QtCompat.h"
#include "QuarnelGISIds.h"
#include "QuarnelGISModule.h"
#include "QuarnelGIS_Public.h"
#include "RuntimeError.h"
#include "SetDatabase.h"
#include "SetStore.h"
#include "SettingsFolder.h"
#include "StoreConnection.h"
#include "frmMain.h"
#include "frmResources.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <new>

namespace {
/// The key of the button picture: every command object of the module hands
/// out the one handle.
const char pictureKey = 0;

// Runtime numbers of the failures this unit raises itself.
constexpr std::int32_t noSuchInterface = static_cast<std::int32_t>(0x80004002u);

/// A failure number as the result a host sees: host numbers are already
/// failure results, runtime numbers get the runtime's facility.
Com::HRESULT failureResult(std::int32_t number)
{
    if (number < 0)
        return number;
    return static_cast<Com::HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}
} // namespace

QuarnelVisibility::QuarnelVisibility()
{
    QuarnelGISModule::objectCreated();
}

QuarnelVisibility::~QuarnelVisibility()
{
    // The windows go before the state record they work on.
    m_mainWindow.reset();
    m_resources.reset();
    m_state.reset();
    QuarnelGISModule::objectDestroyed();
}

bool QuarnelVisibility::isOwnInterface(const QUuid &iid)
{
    return iid == QuarnelGISIds::IID_QuarnelVisibility;
}

Com::HRESULT QuarnelVisibility::get_Enabled(Com::VARIANT_BOOL *enabled)
{
    if (!enabled)
        return Com::E_POINTER;
    *enabled = Com::VARIANT_TRUE;
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::get_Checked(Com::VARIANT_BOOL *checked)
{
    if (!checked)
        return Com::E_POINTER;
    *checked = Com::VARIANT_FALSE;
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::get_Name(QString *name)
{
    return guardedText("ICommand_Name", name,
                       [] { return ProductNames::maker() + QLatin1Char('_') + ProductNames::product(); });
}

Com::HRESULT QuarnelVisibility::get_Caption(QString *caption)
{
    return guardedText("ICommand_Caption", caption, [] { return ProductNames::product(); });
}

Com::HRESULT QuarnelVisibility::get_Tooltip(QString *tooltip)
{
    return guardedText("ICommand_Tooltip", tooltip,
                       [] { return ProductNames::product() + QStringLiteral(" - Store layer visibility settings"); });
}

Com::HRESULT QuarnelVisibility::get_Message(QString *message)
{
    return guardedText("ICommand_Message", message,
                       [] { return ProductNames::maker() + QStringLiteral(": ") + MakerAddresses::webHost(); });
}

Com::HRESULT QuarnelVisibility::get_HelpFile(QString *helpFile)
{
    if (!helpFile)
        return Com::E_POINTER;
    helpFile->clear();
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::get_HelpContextID(std::int32_t *helpContextId)
{
    if (!helpContextId)
        return Com::E_POINTER;
    *helpContextId = 0;
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::get_Bitmap(Com::OLE_HANDLE *bitmap)
{
    if (!bitmap)
        return Com::E_POINTER;
    // No box here: a failure goes back to the host as the result.
    try {
        QLabel *picture = resources().Picture1();
        const QImage image = QtCompat::pixmapOf(*picture).toImage().convertToFormat(QImage::Format_RGB888);
        if (image.isNull())
            return Com::E_FAIL;
        // Keyed by the module, not by the window.
        *bitmap = HostBitmaps::handleFor(&pictureKey, image);
        return Com::S_OK;
    } catch (const HostError &error) {
        return failureResult(error.number());
    } catch (const std::bad_alloc &) {
        return Com::E_OUTOFMEMORY;
    } catch (...) {
        return Com::E_FAIL;
    }
}

Com::HRESULT QuarnelVisibility::get_Category(QString *category)
{
    return guardedText("ICommand_Category", category, [] { return ProductNames::maker(); });
}

Com::HRESULT QuarnelVisibility::OnCreate(HostObjectPtr hook)
{
    try {
        // The hook is kept but not used again (the application comes from
        // the host at each click), so an empty one does not stop start-up;
        // a hook that is not the application is refused.
        auto application = std::dynamic_pointer_cast<IApplication>(hook);
        if (hook && !application)
            throw HostError(noSuchInterface, QStringLiteral("No such interface supported"));
        m_application = std::move(application);

        // One state record for the command's life; a later OnCreate gets a
        // new main window over the same record.
        QuarnelGIS_Public &state = sharedState();
        m_mainWindow.reset();
        m_mainWindow = std::make_unique<frmMain>(state);
        m_state->productName = ProductNames::product();
        m_state->productVersion = ProductNames::version();
        // Start-up goes on whether a settings folder was found or not.
        locateSettingsFolder(*m_state, ProductNames::maker(), ProductNames::product(), ProductNames::setFileName());
        // A team's database, when the person keeps the sets there: reached
        // at the first action, so that start-up never waits on a server.
        const QString store = StoreConnection::chosen();
        if (!store.isEmpty())
            m_state->setDatabase = std::make_shared<SetDatabase>(store);
    } catch (...) {
        if (m_state)
            m_state->channel1.closeQuietly();
        showErrorBox("ICommand_OnCreate");
    }
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::OnClick()
{
    std::int32_t line = 0;
    try {
        QuarnelGIS_Public &state = sharedState();
        line = 10;
        if (!state.appReference) {
            auto reference = std::dynamic_pointer_cast<IApplication>(
                state.services.objectFactory().create(HostClassIds::ApplicationReference));
            if (!reference)
                throw HostError(noSuchInterface, QStringLiteral("No such interface supported"));
            state.appReference = std::move(reference);
        }
        line = 20;
        state.application = state.appReference;
        line = 30;
        state.document = state.application->document();
        line = 40;
        if (!m_mainWindow)
            throwRuntimeError(RuntimeError::ObjectNotSet);
        const auto frame = m_mainWindow->Frame();
        if (!frame)
            throwRuntimeError(RuntimeError::ObjectNotSet);
        frame->setVisible(true);
    } catch (...) {
        if (m_state) {
            m_state->channel1.closeQuietly();
            m_state->reporter().reportCurrentFailure(QStringLiteral("ICommand_OnClick "), ProductNames::product(),
                                                     line);
        } else {
            showErrorBox("ICommand_OnClick");
        }
    }
    return Com::S_OK;
}

Com::HRESULT QuarnelVisibility::SetSite(HostObjectPtr site)
{
    auto services = std::dynamic_pointer_cast<HostServices>(site);
    if (site && !services)
        return Com::E_NOINTERFACE;
    m_site = services ? std::move(services) : std::make_shared<HostServices>();
    return Com::S_OK;
}

QuarnelGIS_Public &QuarnelVisibility::sharedState()
{
    if (!m_state) {
        m_state = std::make_unique<QuarnelGIS_Public>(m_site);
    }
    return *m_state;
}

const HostServices &QuarnelVisibility::services() const
{
    return m_state ? m_state->services : *m_site;
}

frmResources &QuarnelVisibility::resources()
{
    if (!m_resources) {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("No application to carry a window"));
        m_resources = std::make_unique<frmResources>();
    }
    return *m_resources;
}

void QuarnelVisibility::showErrorBox(const char *procedure) noexcept
{
    try {
        services().messageBox().show(QStringLiteral("Error: ") + QLatin1String(procedure) + QStringLiteral("()"),
                                     ProductNames::product());
    } catch (...) {
        // Nothing left to tell the user with.
    }
}
