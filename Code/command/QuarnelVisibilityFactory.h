#pragma once

#include "ComObject.h"

/// The class factory of QuarnelVisibility, handed out by DllGetClassObject.
/// Reference counted; it deletes itself at its last Release. While it lives
/// (and while a host holds a server lock through it) the module stays loaded.
class QuarnelVisibilityFactory final : public Com::Object<QuarnelVisibilityFactory, Com::IClassFactory>
{
public:
    QuarnelVisibilityFactory();
    ~QuarnelVisibilityFactory();

    /// A new command object seen as `iid`. Aggregation is refused.
    Com::HRESULT CreateInstance(Com::IUnknown *outer, const QUuid &iid, void **object) override;
    Com::HRESULT LockServer(bool lock) override;
};
