#pragma once

#include "ComObject.h"
#include "HostServices.h"

#include <QString>

#include <cstdint>
#include <memory>

class IApplication;
class frmMain;
class frmResources;
struct QuarnelGIS_Public;

/// The add-in's toolbar command and the host's only way in. The host creates
/// it through the class factory, reads the button's texts and picture, calls
/// OnCreate once with the running application and OnClick at every press.
/// Like a plugin object, it holds everything the add-in keeps: the host's
/// site (its desktop services), the state record that OnCreate creates, the
/// main window that works on that record, and the window that carries the
/// button picture. Reference counted; at its last Release it deletes itself
/// and all it holds, windows first.
class QuarnelVisibility final : public Com::Object<QuarnelVisibility, Com::ICommand, Com::IObjectWithSite>
{
public:
    QuarnelVisibility();
    ~QuarnelVisibility();

    /// The class's own default interface: it adds no operation to
    /// ICommand's, so it is the same face.
    static bool isOwnInterface(const QUuid &iid);

    Com::HRESULT get_Enabled(Com::VARIANT_BOOL *enabled) override;
    Com::HRESULT get_Checked(Com::VARIANT_BOOL *checked) override;
    Com::HRESULT get_Name(QString *name) override;
    Com::HRESULT get_Caption(QString *caption) override;
    Com::HRESULT get_Tooltip(QString *tooltip) override;
    Com::HRESULT get_Message(QString *message) override;
    Com::HRESULT get_HelpFile(QString *helpFile) override;
    Com::HRESULT get_HelpContextID(std::int32_t *helpContextId) override;
    Com::HRESULT get_Bitmap(Com::OLE_HANDLE *bitmap) override;
    Com::HRESULT get_Category(QString *category) override;
    Com::HRESULT OnCreate(HostObjectPtr hook) override;
    Com::HRESULT OnClick() override;

    /// Takes the host's site, a HostServices; a site of another kind is
    /// refused and leaves the command without services.
    Com::HRESULT SetSite(HostObjectPtr site) override;

    /// The state record, or null before OnCreate (tests, the windows' owner).
    QuarnelGIS_Public *state() const { return m_state.get(); }
    /// The main window, or null before OnCreate.
    frmMain *mainWindow() const { return m_mainWindow.get(); }

    /// What the text getters run: `build` gives the text; when that fails
    /// (only memory can run out there) the box "Error: <procedure>()" is
    /// shown and the text is empty.
    template <typename Build> Com::HRESULT guardedText(const char *procedure, QString *text, Build build) noexcept
    {
        if (!text)
            return Com::E_POINTER;
        try {
            *text = build();
        } catch (...) {
            text->clear();
            showErrorBox(procedure);
        }
        return Com::S_OK;
    }

private:
    /// Shows "Error: <procedure>()"; a host without a box service gets none.
    void showErrorBox(const char *procedure) noexcept;
    /// The state record, created with the site's services on first use.
    QuarnelGIS_Public &sharedState();
    /// The services reports go to: the state's once it exists, else the site's.
    const HostServices &services() const;
    /// The window carrying the button picture, created on first use. Throws
    /// HostError when the process has no QApplication to carry a window.
    frmResources &resources();

    /// As the host set it; an empty bundle (every service missing) until then.
    std::shared_ptr<HostServices> m_site = std::make_shared<HostServices>();
    std::shared_ptr<IApplication> m_application; ///< the hook given to OnCreate
    std::unique_ptr<QuarnelGIS_Public> m_state;
    std::unique_ptr<frmResources> m_resources;
    std::unique_ptr<frmMain> m_mainWindow; ///< declared last: goes first, while its state is alive
};
