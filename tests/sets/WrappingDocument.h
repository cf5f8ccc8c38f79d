#pragma once

#include "IDocument.h"
#include "IFeatureLayer.h"
#include "IMap.h"
#include "IMaps.h"

#include <memory>

/// A host that wraps its objects: the document hands out its map collection,
/// maps and feature layers afresh on every request, each wrapper held by no
/// one else, so that it lives only as long as the add-in holds it.
namespace wrapping {

class FeatureLayer : public IFeatureLayer
{
public:
    explicit FeatureLayer(std::shared_ptr<ILayer> real) : real(std::move(real)) {}
    QString name() override { return real->name(); }
    bool visible() override { return real->visible(); }
    void setVisible(bool visible) override { real->setVisible(visible); }
    std::shared_ptr<ILayer> real;
};

class Map : public IMap
{
public:
    explicit Map(std::shared_ptr<IMap> real) : real(std::move(real)) {}
    QString name() override { return real->name(); }
    std::int32_t layerCount() override { return real->layerCount(); }
    std::shared_ptr<ILayer> layer(std::int32_t index) override
    {
        std::shared_ptr<ILayer> layer = real->layer(index);
        if (std::dynamic_pointer_cast<IFeatureLayer>(layer))
            return std::make_shared<FeatureLayer>(layer);
        return layer;
    }
    std::shared_ptr<IMap> real;
};

class Maps : public IMaps
{
public:
    explicit Maps(std::shared_ptr<IMaps> real) : real(std::move(real)) {}
    std::int32_t count() override { return real->count(); }
    std::shared_ptr<IMap> item(std::int32_t index) override { return std::make_shared<Map>(real->item(index)); }
    std::shared_ptr<IMaps> real;
};

class Document : public IDocument
{
public:
    explicit Document(std::shared_ptr<IDocument> real) : real(std::move(real)) {}
    std::shared_ptr<IPageLayout> pageLayout() override { return real->pageLayout(); }
    std::shared_ptr<IView> activeView() override { return real->activeView(); }
    std::shared_ptr<IMap> focusMap() override { return real->focusMap(); }
    void updateContents() override { real->updateContents(); }
    std::shared_ptr<IMaps> maps() override { return std::make_shared<Maps>(real->maps()); }
    std::shared_ptr<IDocument> real;
};

} // namespace wrapping
