// mapdesk with the add-in over a set file written by the earlier version.

#include "AddInSession.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// The earlier version wrote a quote inside a name as it stood: the name hi"
// went into the file as "hi"", two quotes at its end where the written form
// has three. Every set of such a file is
// listed and restores, the one with the quote and those after it.
TEST(EndToEnd, SetsWrittenByTheEarlierVersionWithBareQuotesAreAllListedAndRestore)
{
    QTemporaryDir driveC;
    ASSERT_TRUE(driveC.isValid());
    ASSERT_TRUE(QDir().mkpath(AddInSession::settingsFolder(driveC.path())));
    QFile old(AddInSession::settingsFolder(driveC.path()) + QStringLiteral("/config"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("\"Before\",\"Town\",\"Buildings\",\"False\"\r\n"
              "\"hi\"\",\"Town\",\"Roads\",\"False\"\r\n"
              "\"Later\",\"Town\",\"Parks\",\"False\"\r\n"
              "\"Last one\",\"Town\",\"Rivers\",\"False\"\r\n");
    old.close();

    AddInSession mapdesk(QStringLiteral("city.mapdesk.json"), driveC.path());
    ASSERT_NE(mapdesk.pressButton(), nullptr);
    EXPECT_EQ(mapdesk.listed(), (QStringList{"Before", "hi\"", "Last one", "Later"}));

    const struct
    {
        const char *set;
        const char *hidden;
    } sets[] = {
        {"Before", "Town/Buildings"}, {"hi\"", "Town/Roads"}, {"Later", "Town/Parks"}, {"Last one", "Town/Rivers"}};
    for (const auto &set : sets) {
        SCOPED_TRACE(set.set);
        mapdesk.press(QStringLiteral("On"));
        mapdesk.click(QString::fromUtf8(set.set));
        for (const QString layer : {"Town/Buildings", "Town/Roads", "Town/Parks", "Town/Rivers"})
            EXPECT_EQ(mapdesk.ticked(layer), layer != QLatin1String(set.hidden)) << qPrintable(layer);
    }
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

} // namespace
