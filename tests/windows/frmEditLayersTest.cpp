// The dialog that edits what a saved set holds: what it lists (grouped by
// map, greyed where the document lacks a layer, the document's other layers
// apart, where the document differs now) and the edit OK returns.
#include "frmEditLayers.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Layer = SetLayers::Layer;
using Shown = VisibilitySnapshot::Shown;
constexpr Shown kOn{true, false};
constexpr Shown kOff{false, true};
constexpr Shown kMixed{false, false};

/// Layers: Streets on as recorded, Rails recorded on but off now, Lakes
/// missing from the document; Overview: Streets recorded off, mixed now.
/// Apart: Layers/Rivers on, Overview/Roads off.
SetLayers sample()
{
    SetLayers layers;
    layers.recorded = {{{"Layers", "Streets", true}, kOn},
                       {{"Layers", "Rails", true}, kOff},
                       {{"Layers", "Lakes", false}, std::nullopt},
                       {{"Overview", "Streets", false}, kMixed}};
    layers.unrecorded = {{{"Layers", "Rivers", true}, kOn}, {{"Overview", "Roads", false}, kOff}};
    return layers;
}

/// Each row of a tree as "map", or "  layer [x] column 2" for a layer.
QStringList rows(const QTreeWidget &tree)
{
    QStringList texts;
    for (int m = 0; m < tree.topLevelItemCount(); ++m) {
        const QTreeWidgetItem *map = tree.topLevelItem(m);
        texts << map->text(0);
        for (int l = 0; l < map->childCount(); ++l) {
            const QTreeWidgetItem *layer = map->child(l);
            texts << QStringLiteral("  ") + layer->text(0)
                         + (layer->checkState(0) == Qt::Checked ? QStringLiteral(" [x] ") : QStringLiteral(" [ ] "))
                         + layer->text(1);
        }
    }
    return texts;
}

/// The dialog over sample(), with the steps a person takes in it.
struct Editing
{
    QTreeWidget &recorded() { return *dialog.findChild<QTreeWidget *>(QStringLiteral("treeRecorded")); }
    QTreeWidget &unrecorded() { return *dialog.findChild<QTreeWidget *>(QStringLiteral("treeUnrecorded")); }
    QTreeWidgetItem *row(QTreeWidget &tree, int map, int layer)
    {
        QTreeWidgetItem *top = tree.topLevelItem(map);
        return layer < 0 ? top : top->child(layer);
    }
    void remove(std::initializer_list<std::pair<int, int>> at)
    {
        for (auto [map, layer] : at)
            row(recorded(), map, layer)->setSelected(true);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnRemove")), Qt::LeftButton);
    }

    void ok()
    {
        QTest::mouseClick(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }

    frmEditLayers dialog{QStringLiteral("Roads"), sample()};
};

TEST(EditLayers, ListsTheSetByMapGreysWhatTheDocumentLacksAndTheRestApart)
{
    Editing t;
    EXPECT_EQ(rows(t.recorded()), (QStringList{"Layers", "  Streets [x] ", "  Rails [x] yes: hidden", "  Lakes [ ] ",
                                               "Overview", "  Streets [ ] yes: partly shown"}));
    EXPECT_EQ(rows(t.unrecorded()), (QStringList{"Layers", "  Rivers [ ] shown", "Overview", "  Roads [ ] hidden"}));
    const QTreeWidgetItem *lakes = t.row(t.recorded(), 0, 2);
    const QTreeWidgetItem *streets = t.row(t.recorded(), 0, 0);
    EXPECT_NE(lakes->foreground(0), streets->foreground(0));
    EXPECT_FALSE(lakes->toolTip(0).isEmpty());
    EXPECT_TRUE(streets->toolTip(0).isEmpty());

    // The column follows the ticks.
    t.row(t.recorded(), 0, 0)->setCheckState(0, Qt::Unchecked);
    t.row(t.recorded(), 0, 1)->setCheckState(0, Qt::Unchecked);
    t.row(t.recorded(), 0, 2)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(rows(t.recorded()), (QStringList{"Layers", "  Streets [ ] yes: shown", "  Rails [ ] ", "  Lakes [x] ",
                                               "Overview", "  Streets [ ] yes: partly shown"}));
}

TEST(EditLayers, OkReturnsTheEditGroupedByMap)
{
    const Layer streets{"Layers", "Streets", true};
    const Layer rails{"Layers", "Rails", true};
    const Layer lakes{"Layers", "Lakes", false};
    const Layer overview{"Overview", "Streets", false};
    struct Case
    {
        const char *name;
        std::function<void(Editing &)> edit;
        std::vector<Layer> edited;
        bool changed = true;
    };
    const Case cases[] = {
        {"untouched", [](Editing &) {}, {streets, rails, lakes, overview}, false},
        {"untick and tick",
         [](Editing &t) {
             t.row(t.recorded(), 0, 1)->setCheckState(0, Qt::Unchecked);
             t.row(t.recorded(), 1, 0)->setCheckState(0, Qt::Checked);
         },
         {streets, {"Layers", "Rails", false}, lakes, {"Overview", "Streets", true}}},
        {"remove a layer",
         [](Editing &t) {
             t.remove({{0, 2}});
         },
         {streets, rails, overview}},
        {"remove a map with its layers",
         [](Editing &t) {
             t.remove({{0, -1}});
         },
         {overview}},
        {"a map left without layers goes",
         [](Editing &t) {
             t.remove({{1, 0}});
         },
         {streets, rails, lakes}},
        {"add into each map",
         [](Editing &t) {
             t.row(t.unrecorded(), 1, 0)->setCheckState(0, Qt::Checked);
             t.row(t.unrecorded(), 0, 0)->setCheckState(0, Qt::Checked);
         },
         {streets, rails, lakes, {"Layers", "Rivers", true}, overview, {"Overview", "Roads", false}}},
    };
    for (const Case &c : cases) {
        Editing t;
        c.edit(t);
        t.ok();
        EXPECT_EQ(t.dialog.result(), QDialog::Accepted) << c.name;
        EXPECT_EQ(t.dialog.edited(), c.edited) << c.name;
        EXPECT_EQ(t.dialog.changed(), c.changed) << c.name;
    }
}

} // namespace
