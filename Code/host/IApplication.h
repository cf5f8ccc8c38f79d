#pragma once

#include "HostObject.h"

class IDocument;

/// The running map application.
class QUARNELHOST_EXPORT IApplication : public virtual HostObject
{
public:
    /// The document currently open in the application.
    virtual std::shared_ptr<IDocument> document() = 0;
};
