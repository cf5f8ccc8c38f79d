// What a saved set holds beside the document's layers, as the edit dialog
// lists it: recorded layers once each with their last flag, grouped by map,
// those the document lacks, and the document's layers the set leaves out.
#include "SetLayers.h"
#include "FakeDocument.h"
#include "SetsWorld.h"

#include <gtest/gtest.h>

namespace {

/// A row as text: "map/layer flag now", now being on, off, mixed or absent.
QStringList described(const std::vector<SetLayers::Row> &rows)
{
    QStringList texts;
    for (const SetLayers::Row &row : rows) {
        const QString now = !row.now              ? QStringLiteral("absent")
                            : row.now->allVisible ? QStringLiteral("on")
                            : row.now->allHidden  ? QStringLiteral("off")
                                                  : QStringLiteral("mixed");
        texts << row.layer.mapName + QLatin1Char('/') + row.layer.layerName + QLatin1Char(' ')
                     + (row.layer.visible ? QStringLiteral("True ") : QStringLiteral("False ")) + now;
    }
    return texts;
}

TEST(SetLayers, ListsTheSetsLayersByMapAndTheDocumentsOthersApart)
{
    struct Case
    {
        const char *name;
        QByteArray file;
        std::shared_ptr<fake::Document> document;
        QStringList recorded;
        QStringList unrecorded;
    };
    // The standard document: Layers: Streets on, Rails off, Rivers on, a
    // nested Deep; Overview: Streets on.
    const Case cases[] = {
        {"grouped by map, last flag, a layer the document lacks",
         SetsWorld::record("S", "Layers", "Rails", "True") + SetsWorld::record("S", "Overview", "Streets", "False")
             + SetsWorld::record("T", "Layers", "Rivers", "True") + SetsWorld::record("S", "Layers", "Lakes", "True")
             + SetsWorld::record("S", "Layers", "Rails", "False"),
         fake::standardDocument(),
         {"Layers/Rails False off", "Layers/Lakes True absent", "Overview/Streets False on"},
         {"Layers/Streets True on", "Layers/Rivers True on"}},
        {"no such set",
         SetsWorld::record("T", "Layers", "Rivers", "True"),
         fake::standardDocument(),
         {},
         {"Layers/Streets True on", "Layers/Rails False off", "Layers/Rivers True on", "Overview/Streets True on"}},
        {"layers of one name shown and hidden are listed once, added hidden",
         SetsWorld::record("S", "M", "B", "True"),
         fake::DocumentBuilder().map("M").layer("A").layer(fake::hidden("A")).layer("B").build(),
         {"M/B True on"},
         {"M/A False mixed"}},
    };
    for (const Case &c : cases) {
        const SetLayers layers = SetLayers::of(c.file, QStringLiteral("S"), *c.document);
        EXPECT_EQ(described(layers.recorded), c.recorded) << c.name;
        EXPECT_EQ(described(layers.unrecorded), c.unrecorded) << c.name;
    }
}

} // namespace
