#include "FakeDocument.h"

#include "LayerWalk.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// "map/layer" for every layer the add-in's walk hands on.
QStringList recordable(fake::Document &document)
{
    QStringList names;
    LayerWalk::forEachRecordable(
        document, [](IMap &) { return true; },
        [&](IMap &map, const std::shared_ptr<ILayer> &layer) { names << map.name() + u'/' + layer->name(); });
    return names;
}

TEST(FakeDocument, BuiltDocumentIsWalkedThroughTheHostInterfaces)
{
    auto document = fake::standardDocument();
    IMaps &maps = *document->maps();
    ASSERT_EQ(maps.count(), 2);
    EXPECT_EQ(maps.item(0)->layerCount(), 3);
    auto transport = std::dynamic_pointer_cast<ICompositeLayer>(maps.item(0)->layer(0));
    ASSERT_TRUE(transport);
    ASSERT_EQ(transport->count(), 4);
    EXPECT_EQ(transport->layer(3)->name(), QStringLiteral("Nested"));
    EXPECT_FALSE(std::dynamic_pointer_cast<IFeatureLayer>(transport->layer(2)));
    EXPECT_FALSE(document->layer(QStringLiteral("Layers"), QStringLiteral("Rails"))->on);
    EXPECT_EQ(recordable(*document),
              QStringList({"Layers/Streets", "Layers/Rails", "Layers/Rivers", "Overview/Streets"}));
    EXPECT_EQ(document->activeView(), std::dynamic_pointer_cast<IView>(document->map(QStringLiteral("Layers"))));
    EXPECT_EQ(document->layout->focusMap(), document->focusMap());

    auto big = fake::generatedDocument(3, 5, 2);
    EXPECT_EQ(big->map(QStringLiteral("Map 3"))->layerCount(), 3); // groups of 2, 2 and 1
    EXPECT_EQ(recordable(*big).size(), 15);
    LayerWalk::setAllVisible(*big, false);
    EXPECT_EQ(big->layer(QStringLiteral("Map 2"), QStringLiteral("Layer 5"))->setVisibleCalls,
              std::vector<bool>{false});
}

TEST(FakeDocument, LegendsAreFoundThroughTheGraphicsContainer)
{
    auto document = fake::standardDocument();
    IGraphicsContainer &page = *document->layout;
    std::vector<std::shared_ptr<IElement>> legendsOfFocus;
    page.reset();
    while (auto element = page.next())
        if (auto frame = std::dynamic_pointer_cast<IMapSurroundFrame>(element))
            if (frame->mapFrame()->map() == document->focusMap()
                && std::dynamic_pointer_cast<ILegend>(frame->mapSurround()))
                legendsOfFocus.push_back(element);
    ASSERT_EQ(legendsOfFocus.size(), 2u); // the grouped one is not handed out
    auto last = std::dynamic_pointer_cast<fake::SurroundFrame>(legendsOfFocus.back());
    EXPECT_EQ(last->surround, document->layout->legend(2));
    EXPECT_EQ(last->geometry()->envelope(), last->shape->bounds);
    EXPECT_EQ(document->layout->calls.count("next"), 7);
}

TEST(FakeDocument, ArmedCallsThrowAtTheirIndexAndAreStillCounted)
{
    auto document = fake::standardDocument();
    auto layers = document->map(QStringLiteral("Layers"));
    // Each call is armed at index 1: the call for index 0 (or the first call) passes, the next throws.
    const struct
    {
        fake::Calls &calls;
        const char *name;
        std::function<void(int)> call;
    } cases[] = {
        {layers->calls, "name", [&](int) { layers->name(); }},
        {layers->calls, "layer", [&](int i) { layers->layer(i); }},
        {document->mapList->calls, "item", [&](int i) { document->maps()->item(i); }},
        {document->layout->calls, "next", [&](int) { document->layout->next(); }},
    };
    for (const auto &c : cases) {
        c.calls.fail(c.name, 1);
        EXPECT_NO_THROW(c.call(0)) << c.name;
        EXPECT_THROW(c.call(1), HostError) << c.name;
        EXPECT_EQ(c.calls.count(c.name), 2) << c.name;
    }
    EXPECT_THROW(layers->layer(3), HostError);
    EXPECT_THROW(layers->calls.count("nmae"), std::logic_error);
}

} // namespace
