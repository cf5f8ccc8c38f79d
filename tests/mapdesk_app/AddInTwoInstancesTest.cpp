// Two mapdesks with the add-in saving into one set file.

#include "AddInSession.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// Each instance's list follows the file while shown: a set saved in one
// shows in the other within a second, and restores there on that one's
// document.
TEST(EndToEnd, TwoInstancesOnOneSetFileSeeEachOthersSetsWithinASecond)
{
    AddInSession first(QStringLiteral("city.mapdesk.json"));
    AddInSession second(QStringLiteral("city.mapdesk.json"), first.driveC());
    ASSERT_NE(first.pressButton(), nullptr);
    ASSERT_NE(second.pressButton(), nullptr);

    const struct
    {
        AddInSession *writer;
        AddInSession *reader;
        const char *name;
        const char *hidden;
    } saves[] = {{&first, &second, "From the first", "Town/Parks"},
                 {&second, &first, "From the second", "Town/Rivers"},
                 {&first, &second, "Again the first", "Town/Buildings"}};
    QStringList names;
    for (const auto &save : saves) {
        SCOPED_TRACE(save.name);
        save.writer->press(QStringLiteral("On"));
        save.writer->tick(QString::fromLatin1(save.hidden), false);
        save.writer->save(QString::fromUtf8(save.name));
        names << QString::fromUtf8(save.name);
        names.sort(Qt::CaseInsensitive);
        QTRY_COMPARE_WITH_TIMEOUT(save.reader->listed(), names, 1000);
        EXPECT_EQ(save.writer->listed(), names);

        save.reader->press(QStringLiteral("On"));
        save.reader->click(QString::fromUtf8(save.name));
        EXPECT_FALSE(save.reader->ticked(QString::fromLatin1(save.hidden)));
        EXPECT_TRUE(save.reader->ticked(QStringLiteral("Town/Roads")));
    }
    EXPECT_EQ(first.boxTexts(), QStringList());
    EXPECT_EQ(second.boxTexts(), QStringList());
}

} // namespace
