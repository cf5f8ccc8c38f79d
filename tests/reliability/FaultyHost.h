#pragma once

#include "HostError.h"
#include "IDocument.h"
#include "IView.h"

#include "Document.h"
#include "FeatureLayer.h"
#include "MapSurroundFrameElement.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

/// Host objects of mapdesk's document model that fail on request: each stands
/// for a host operation going wrong in the middle of the add-in's work.
namespace faulty {

inline HostError hostFault(const QString &what) { return HostError(HostError::E_FAIL_NUMBER, what); }

/// A real mapdesk document seen through a proxy whose own operations can be
/// made to fail; everything else is the document's.
class Document : public IDocument
{
public:
    explicit Document(std::shared_ptr<mapdesk::Document> real) : real(std::move(real)) {}

    std::shared_ptr<IPageLayout> pageLayout() override { return real->pageLayout(); }
    std::shared_ptr<IView> activeView() override
    {
        if (failActiveView)
            throw hostFault(QStringLiteral("The active view is gone"));
        return real->activeView();
    }
    std::shared_ptr<IMap> focusMap() override { return real->focusMap(); }
    void updateContents() override
    {
        if (failUpdateContents)
            throw hostFault(QStringLiteral("The table of contents cannot be updated"));
        real->updateContents();
    }
    std::shared_ptr<IMaps> maps() override { return real->maps(); }

    std::shared_ptr<mapdesk::Document> real;
    bool failActiveView = false;
    bool failUpdateContents = false;
};

/// A view that hands out a real view's display but cannot redraw part of itself.
class View : public IView
{
public:
    explicit View(std::shared_ptr<IView> real) : real(std::move(real)) {}
    std::shared_ptr<IMap> focusMap() override { return real->focusMap(); }
    std::shared_ptr<IDisplay> screenDisplay() override { return real->screenDisplay(); }
    void refresh() override { real->refresh(); }
    void partialRefresh(int, HostObjectPtr, std::shared_ptr<IEnvelope>) override
    {
        ++partialRefreshAttempts;
        throw hostFault(QStringLiteral("The view cannot be redrawn"));
    }
    std::shared_ptr<IView> real;
    int partialRefreshAttempts = 0;
};

/// A feature layer whose flag cannot be written.
class LockedLayer : public mapdesk::FeatureLayer
{
public:
    using mapdesk::FeatureLayer::FeatureLayer;
    void setVisible(bool) override { throw hostFault(QStringLiteral("Layer is locked")); }
};

/// A feature layer whose name cannot be read once armed.
class VanishingLayer : public mapdesk::FeatureLayer
{
public:
    using mapdesk::FeatureLayer::FeatureLayer;
    QString name() override
    {
        if (armed)
            throw hostFault(description);
        return mapdesk::FeatureLayer::name();
    }
    bool armed = false;
    QString description = QStringLiteral("Layer is gone");
};

/// A map-surround frame on the page whose map frame cannot be reached.
class DetachedSurroundFrame : public mapdesk::MapSurroundFrameElement
{
public:
    using mapdesk::MapSurroundFrameElement::MapSurroundFrameElement;
    std::shared_ptr<IMapFrame> mapFrame() override { throw hostFault(QStringLiteral("The map frame is gone")); }
};

} // namespace faulty
