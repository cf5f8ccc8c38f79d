#include "QgisApplication.h"
#include "QgisSession.h"
#include "VisibilityApply.h"
#include "VisibilitySetFile.h"

#include <qgslayertree.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace quarnelqgis;

namespace {

/// A project with a mutually exclusive group "Base" of "streets" (shown),
/// "aerial", "terrain" and a nested group "Detail" holding "paths", below a
/// plain layer "roads", as the Layers panel builds it.
struct ExclusiveWorld
{
    ExclusiveWorld()
    {
        QgsLayerTree *root = project.layerTreeRoot();
        const auto add = [this](QgsLayerTreeGroup *group, const char *name) {
            auto *layer = new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QLatin1String(name),
                                             QStringLiteral("memory"));
            project.addMapLayer(layer, false);
            group->addLayer(layer);
        };
        add(root, "roads");
        base = root->addGroup(QStringLiteral("Base"));
        add(base, "streets");
        add(base, "aerial");
        add(base, "terrain");
        add(base->addGroup(QStringLiteral("Detail")), "paths");
        base->setIsMutuallyExclusive(true, 0);
        session = std::make_unique<QgisSession>(QgisSession::Parts{&project, nullptr, nullptr});
        application = std::make_shared<QgisApplication>(session.get());
    }

    /// Restores a set that names each layer shown or hidden, in this order.
    void restore(const std::vector<std::pair<const char *, bool>> &set)
    {
        VisibilityApply apply(*application->document());
        for (const auto &[layer, visible] : set)
            apply.apply({QStringLiteral("S"), QStringLiteral("Layers"), QLatin1String(layer),
                         VisibilitySetFile::visibilityText(visible)});
        session->finishBatch();
    }

    /// The members of Base checked now.
    QStringList shownInBase() const
    {
        QStringList names;
        for (QgsLayerTreeNode *member : base->children())
            if (member->itemVisibilityChecked())
                names << member->name();
        return names;
    }

    QgsProject project;
    QgsLayerTreeGroup *base = nullptr;
    std::unique_ptr<QgisSession> session;
    std::shared_ptr<QgisApplication> application;
};

TEST(QgisExclusiveGroup, ARestoreLeavesOneMemberShownAndSaysWhichWonOnce)
{
    struct Row
    {
        const char *what;
        bool detailShown; ///< the nested group is the member shown before
        std::vector<std::pair<const char *, bool>> set;
        QStringList shown;
        QString told; ///< what the person is told, once; empty: nothing
    };
    const QString wonOver =
        QStringLiteral("Only one layer of the group \"Base\" can be visible: \"%1\" is shown, \"%2\" is not.");
    const Row rows[] = {
        {"one visible member named", false, {{"streets", false}, {"aerial", true}, {"terrain", false}}, {"aerial"}, {}},
        {"one named, before the shown one is named hidden",
         false,
         {{"aerial", true}, {"streets", false}},
         {"aerial"},
         {}},
        {"two named: the one higher in the group wins",
         false,
         {{"aerial", true}, {"terrain", true}},
         {"aerial"},
         wonOver.arg(QStringLiteral("aerial"), QStringLiteral("terrain"))},
        {"two named the other way round: the same one wins",
         false,
         {{"terrain", true}, {"aerial", true}},
         {"aerial"},
         wonOver.arg(QStringLiteral("aerial"), QStringLiteral("terrain"))},
        {"two named, one of them shown already",
         false,
         {{"streets", true}, {"terrain", true}, {"roads", true}},
         {"streets"},
         wonOver.arg(QStringLiteral("streets"), QStringLiteral("terrain"))},
        {"none named visible", false, {{"streets", false}, {"aerial", false}}, {}, {}},
        {"a named member wins over the nested group", true, {{"terrain", true}}, {"terrain"}, {}},
        {"none named visible leaves the nested group", true, {{"aerial", false}}, {"Detail"}, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ExclusiveWorld w;
        if (row.detailShown)
            w.base->findGroup(QStringLiteral("Detail"))->setItemVisibilityChecked(true);
        QSignalSpy told(w.session.get(), &QgisSession::exclusiveChoiceMade);
        w.restore(row.set);
        // A second end of the same batch tells nothing again.
        w.session->finishBatch();
        EXPECT_EQ(w.shownInBase(), row.shown);
        ASSERT_EQ(told.count(), row.told.isEmpty() ? 0 : 1);
        if (!row.told.isEmpty()) {
            EXPECT_EQ(told.at(0).at(0).toString(), row.told);
        }
    }
}

} // namespace
