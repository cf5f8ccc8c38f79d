#pragma once

#include "HostObject.h"

#include <functional>
#include <memory>

/// An optional role of a document: it tells its listeners that the
/// visibility of its layers may have changed, whoever changed it (a person
/// in the table of contents, a command, a script). Listeners are called on
/// the document's thread, after the change. A host without it is asked
/// again whenever the add-in's window is shown or activated.
class QUARNELHOST_EXPORT IVisibilityEvents : public virtual HostObject
{
public:
    /// Calls `onChange` after each change for as long as the returned
    /// subscription is kept.
    virtual std::shared_ptr<void> subscribeVisibility(std::function<void()> onChange) = 0;
};
