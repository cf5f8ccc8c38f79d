#pragma once

#include "Com.h"

#include <QString>

#include <cstdint>
#include <memory>

class IApplication;

/// The add-in's toolbar command and the host's only way in. The host creates
/// it through the class factory, reads the button's texts and picture, calls
/// OnCreate once with the running application and OnClick at every press.
/// Reference counted; it deletes itself at its last Release, which leaves the
/// state record, the main window and frmResources as they are.
class QuarnelVisibility final : public Com::ICommand
{
public:
    QuarnelVisibility();
    ~QuarnelVisibility();

    Com::HRESULT QueryInterface(const QUuid &iid, void **object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

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

    /// What the text getters run: `build` gives the text; when that fails
    /// (only memory can run out there) the box "Error: <procedure>()" is
    /// shown and the text is empty.
    template <typename Build>
    static Com::HRESULT guardedText(const char *procedure, QString *text, Build build) noexcept
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

    QuarnelVisibility(const QuarnelVisibility &) = delete;
    QuarnelVisibility &operator=(const QuarnelVisibility &) = delete;

private:
    /// Shows "Error: <procedure>()"; a host without a box service gets none.
    static void showErrorBox(const char *procedure) noexcept;

    std::uint32_t m_references = 0;
    std::shared_ptr<IApplication> m_application; ///< the hook given to OnCreate
};
