// mapdesk with the add-in: the window's work lands on the document shown now,
// and a set restores again after the layers were switched by hand.

#include "AddInSession.h"
#include "Document.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

QMap<QString, bool> allFlags(QMap<QString, bool> flags, bool visible)
{
    for (bool &flag : flags)
        flag = visible;
    return flags;
}

// File > Open replaces the document after the window was opened: Save
// records the new document's maps, and a restore, "Off" and "On" switch its
// layers while the first document keeps its own.
TEST(EndToEnd, SaveRestoreOnAndOffWorkOnTheDocumentOpenedLast)
{
    AddInSession mapdesk(QStringLiteral("city.mapdesk.json"));
    ASSERT_NE(mapdesk.pressButton(), nullptr);
    const std::shared_ptr<mapdesk::Document> city = mapdesk.document();
    const QMap<QString, bool> cityFlags = mapdesk.visibility(city.get());
    ASSERT_TRUE(mapdesk.open(QStringLiteral("region.mapdesk.json")));
    ASSERT_NE(mapdesk.document(), city);

    mapdesk.tick(QStringLiteral("Region/Forests"), false);
    const QMap<QString, bool> saved = mapdesk.visibility();
    mapdesk.save(QStringLiteral("Region view"));
    EXPECT_EQ(mapdesk.listed(), QStringList{"Region view"});
    const QByteArray bytes = mapdesk.setFileBytes();
    EXPECT_TRUE(bytes.contains("\"Region view\",\"Region\",\"Forests\",\"False\"\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\"Region view\",\"Region\",\"Villages\",\"True\"\r\n")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("\"Overview\"")) << "no map of the first document";

    const struct
    {
        const char *step;
        std::function<void()> act;
        QMap<QString, bool> expected;
    } steps[] = {
        {"Off", [&] { mapdesk.press(QStringLiteral("Off")); }, allFlags(saved, false)},
        {"restore", [&] { mapdesk.click(QStringLiteral("Region view")); }, saved},
        {"On", [&] { mapdesk.press(QStringLiteral("On")); }, allFlags(saved, true)},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        EXPECT_EQ(mapdesk.visibility(), step.expected);
        for (auto flag = step.expected.begin(); flag != step.expected.end(); ++flag)
            EXPECT_EQ(mapdesk.ticked(flag.key()), flag.value())
                << "the table of contents shows " << qPrintable(flag.key());
        EXPECT_EQ(mapdesk.visibility(city.get()), cityFlags) << "the first document is left alone";
    }
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

// A click on the set that is selected already brings it back after the
// layers were switched by hand, as often as that happens.
TEST(EndToEnd, ClickOnTheSelectedSetRestoresItAgainAfterSwitchingByHand)
{
    AddInSession mapdesk(QStringLiteral("city.mapdesk.json"));
    ASSERT_NE(mapdesk.pressButton(), nullptr);
    mapdesk.tick(QStringLiteral("Town/Roads"), false);
    mapdesk.tick(QStringLiteral("Town/Buildings"), false);
    const QMap<QString, bool> saved = mapdesk.visibility();
    mapdesk.save(QStringLiteral("Cycling"));
    mapdesk.save(QStringLiteral("Another"));

    mapdesk.click(QStringLiteral("Cycling"));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        mapdesk.tick(QStringLiteral("Town/Roads"), true);
        mapdesk.tick(QStringLiteral("Town/Buildings"), true);
        ASSERT_TRUE(mapdesk.ticked(QStringLiteral("Town/Roads")));
        ASSERT_EQ(mapdesk.list()->currentItem()->text(), QStringLiteral("Cycling"));
        mapdesk.click(QStringLiteral("Cycling"));
        EXPECT_EQ(mapdesk.visibility(), saved);
        EXPECT_FALSE(mapdesk.ticked(QStringLiteral("Town/Roads")));
        EXPECT_FALSE(mapdesk.ticked(QStringLiteral("Town/Buildings")));
    }
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

} // namespace
