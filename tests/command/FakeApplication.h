#pragma once

#include "HostError.h"
#include "IApplication.h"
#include "IDocument.h"

#include <memory>

/// The smallest document a command can be handed: it has no maps.
class FakeDocument : public IDocument
{
public:
    std::shared_ptr<IPageLayout> pageLayout() override { return nullptr; }
    std::shared_ptr<IView> activeView() override { return nullptr; }
    std::shared_ptr<IMap> focusMap() override { return nullptr; }
    void updateContents() override {}
    std::shared_ptr<IMaps> maps() override { return nullptr; }
};

/// A running application whose current document a test can swap or make
/// unreachable, and which counts how often it was asked for it.
class FakeApplication : public IApplication
{
public:
    std::shared_ptr<IDocument> document() override
    {
        ++documentRequests;
        if (documentFails)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("No document"));
        return current;
    }

    std::shared_ptr<IDocument> current = std::make_shared<FakeDocument>();
    bool documentFails = false;
    int documentRequests = 0;
};
