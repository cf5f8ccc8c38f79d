#include "RememberedSizeDelegate.h"

#include <QFont>
#include <QListWidget>

#include <gtest/gtest.h>

namespace {

/// The place of every entry of a list, as the view lays them out.
QList<QRect> entryRects(QListWidget &list)
{
    QList<QRect> rects;
    for (int row = 0; row < list.count(); ++row)
        rects << list.visualItemRect(list.item(row));
    return rects;
}

} // namespace

TEST(RememberedSizeDelegate, ListsLayOutExactlyAsWithTheStyledDelegate)
{
    QListWidget remembered;
    QListWidget styled;
    remembered.setItemDelegate(new RememberedSizeDelegate(&remembered));
    for (QListWidget *list : {&remembered, &styled}) {
        list->resize(180, 240);
        list->setFont(QFont(QStringLiteral("DejaVu Sans"), 8, QFont::Bold));
        for (const QString &name : {QStringLiteral("Roads"), QStringLiteral("Two\nlines"),
                                    QStringLiteral("A name much longer than the list is wide, to scroll"),
                                    QStringLiteral("Grüne Flächen"), QString(), QStringLiteral("Roads")})
            list->addItem(name);
    }
    const QList<QRect> first = entryRects(styled);
    EXPECT_EQ(entryRects(remembered), first);

    // One name more, inserted at the top: everything below moves down.
    for (QListWidget *list : {&remembered, &styled})
        list->insertItem(0, QStringLiteral("Three\nlines\nhere"));
    EXPECT_EQ(entryRects(remembered), entryRects(styled));

    // A larger font measures every name anew.
    for (QListWidget *list : {&remembered, &styled})
        list->setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
    const QList<QRect> larger = entryRects(styled);
    EXPECT_NE(larger.at(1), first.at(0));
    EXPECT_EQ(entryRects(remembered), larger);

    // So does an entry given a font of its own.
    for (QListWidget *list : {&remembered, &styled})
        list->item(1)->setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
    EXPECT_EQ(entryRects(remembered), entryRects(styled));
}
