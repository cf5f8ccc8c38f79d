#pragma once

#include "Com.h"

#include <cstdint>

/// The class factory of QuarnelVisibility, handed out by DllGetClassObject.
/// Reference counted; it deletes itself at its last Release. While it lives
/// (and while a host holds a server lock through it) the module stays loaded.
class QuarnelVisibilityFactory final : public Com::IClassFactory
{
public:
    QuarnelVisibilityFactory();
    ~QuarnelVisibilityFactory();

    Com::HRESULT QueryInterface(const QUuid &iid, void **object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    /// A new command object seen as `iid`. Aggregation is refused.
    Com::HRESULT CreateInstance(Com::IUnknown *outer, const QUuid &iid, void **object) override;
    Com::HRESULT LockServer(bool lock) override;

    QuarnelVisibilityFactory(const QuarnelVisibilityFactory &) = delete;
    QuarnelVisibilityFactory &operator=(const QuarnelVisibilityFactory &) = delete;

private:
    std::uint32_t m_references = 0;
};
