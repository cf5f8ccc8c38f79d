// The set list as a person meets it: its order, typing names into it, the
// list following the file, and every action on the document that is open now.
#include "FakeDocument.h"
#include "FakeHost.h"
#include "IModelessFrame.h"
#include "SetListWidget.h"
#include "SetNameOrder.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(SetNameOrder, IsAlphabeticalAsAPersonReadsItInTheLocaleGiven)
{
    struct Case
    {
        QLocale locale;
        QStringList added;
        QStringList listed;
    };
    const QStringList mixed{"Zebra", "Éclair", "Ärger", "apple", "eclair"};
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), mixed, {"apple", "Ärger", "eclair", "Éclair", "Zebra"}},
        {QLocale::c(), mixed, {"apple", "Ärger", "eclair", "Éclair", "Zebra"}},
        {QLocale(QLocale::Swedish, QLocale::Sweden), mixed, {"apple", "eclair", "Éclair", "Zebra", "Ärger"}},
        // Equal names keep the order in which they came; a new one goes last.
        {QLocale::c(),
         {"roads", "Zoo", "alpha", "Roads", "ROADS", "   "},
         {"   ", "alpha", "roads", "Roads", "ROADS", "Zoo"}},
        // A Greek reader's own script comes first, accents ignored.
        {QLocale(QLocale::Greek),
         {"Δέλτα", "alpha", "Άλφα", "Zeta", "αλφα"},
         {"αλφα", "Άλφα", "Δέλτα", "alpha", "Zeta"}},
    };
    for (const Case &c : cases) {
        SetNameOrder order(c.locale);
        QStringList listed;
        for (const QString &name : c.added)
            listed.insert(order.insert(name), name);
        EXPECT_EQ(listed, c.listed) << qPrintable(c.locale.name());
    }
}

TEST(SetTyping, TypedLettersRestoreTheSetTheyLeadToOnceTypingPausesHoweverLongARestoreTakes)
{
    // A short pause keeps the test quick; every restore takes several pauses.
    const int interval = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(100);
    struct Case
    {
        const char *what;
        std::function<void(SetListWidget &)> act;
        QString currentAtOnce;
        QStringList restored;
    };
    const auto type = [](const char *letters) {
        return [letters](SetListWidget &list) { QTest::keyClicks(&list, QLatin1String(letters)); };
    };
    const Case cases[] = {
        {"the letters of a name", type("bu"), "Buildings", {"Buildings"}},
        {"capitals, with Shift held",
         [](SetListWidget &list) {
             QTest::keyClick(&list, Qt::Key_B, Qt::ShiftModifier);
             QTest::keyClick(&list, Qt::Key_U, Qt::ShiftModifier);
         },
         "Buildings",
         {"Buildings"}},
        {"one letter again, stepping through the names it begins", type("bb"), "Buildings", {"Buildings"}},
        {"letters waiting while an arrow key's restore runs",
         [](SetListWidget &list) {
             QTest::keyClick(&list, Qt::Key_Down);
             QTest::keyClicks(&list, QStringLiteral("bu"));
         },
         "Buildings",
         {"Utilities", "Buildings"}},
        {"an arrow key before typing paused",
         [](SetListWidget &list) {
             QTest::keyClick(&list, Qt::Key_B);
             QTest::keyClick(&list, Qt::Key_Down);
         },
         "Buildings",
         {"Buildings"}},
        {"letters that lead to the current name", type("ri"), "Rivers", {}},
    };
    for (const Case &c : cases) {
        SetListWidget list;
        list.addItems({"Bridges", "Buildings", "Rivers", "Utilities"});
        list.setSelectionMode(QAbstractItemView::ExtendedSelection); // as the main window's
        list.setCurrentRow(2);
        QStringList restored;
        QObject::connect(&list, &SetListWidget::picked, [&] {
            restored << list.currentItem()->text();
            QThread::msleep(300); // a restore that takes longer than a pause between letters
        });
        c.act(list);
        EXPECT_EQ(list.currentItem()->text(), c.currentAtOnce) << c.what;
        static_cast<void>(QTest::qWaitFor([&] { return restored.size() >= c.restored.size(); }, 5000));
        QTest::qWait(300); // any later restore would come by now
        EXPECT_EQ(restored, c.restored) << c.what;
        EXPECT_EQ(list.selectedItems(), QList<QListWidgetItem *>{list.currentItem()}) << c.what;
    }
    QApplication::setKeyboardInputInterval(interval);
}

/// A shown main window over the standard fake document, with its set file
/// on drive C.
class SetList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = host.drives->add(QLatin1Char('C')) + QStringLiteral("/Program Files/");
        host.state->productName = QStringLiteral("QuarnelVisibility");
        host.state->setFilePath = QStringLiteral("C:\\Program Files\\config");
        host.state->document = document;
        writeFile("\"Hidden streets\",\"Layers\",\"Streets\",\"False\"\r\n");
        window = std::make_unique<frmMain>(*host.state);
        window->Frame()->setVisible(true);
    }
    void TearDown() override { window.reset(); }

    void writeFile(const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::Truncate)
    {
        QFile file(folder + QStringLiteral("config"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | mode));
        file.write(bytes);
    }
    QListWidget &list() { return *window->setList(); }
    QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < list().count(); ++i)
            names << list().item(i)->text();
        return names;
    }
    void click(int row)
    {
        const QRect place = list().visualItemRect(list().item(row));
        QTest::mouseClick(list().viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    }

    fake::FakeHost host;
    QString folder;
    std::shared_ptr<fake::Document> document = fake::standardDocument();
    std::unique_ptr<frmMain> window;
};

TEST_F(SetList, FollowsTheFileWhileShownAndReadsItAgainWhenShownAgain)
{
    click(0);
    writeFile("\"Another\",\"Layers\",\"Rivers\",\"True\"\r\n", QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(listed(), (QStringList{"Another", "Hidden streets"}), 1000);
    EXPECT_EQ(list().currentItem()->text(), QStringLiteral("Hidden streets")) << "the selection stays";

    window->hide();
    writeFile("\"Only\",\"Layers\",\"Rivers\",\"True\"\r\n");
    window->show();
    EXPECT_EQ(listed(), QStringList{"Only"});
    EXPECT_TRUE(host.boxes->boxes.empty());
}

TEST_F(SetList, AFileThatCannotBeReadWhileShownIsReportedOnce)
{
    const QString path = folder + QStringLiteral("config");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    QTRY_COMPARE_WITH_TIMEOUT(host.boxes->boxes.size(), std::size_t(1), 1000);
    QFile(folder + QStringLiteral("other")).open(QIODevice::WriteOnly); // another change in the folder
    QTest::qWait(400);
    ASSERT_EQ(host.boxes->boxes.size(), 1u);
    EXPECT_TRUE(host.boxes->boxes[0].text.contains(QStringLiteral("MODULE: lstbx1_Refresh frmMain Line : 20")));
    EXPECT_EQ(listed(), QStringList{"Hidden streets"}) << "a failed read keeps the list";
}

TEST_F(SetList, EveryActionWorksOnTheDocumentOpenNow)
{
    auto application = std::make_shared<fake::Application>(document);
    host.state->application = application;
    const auto later = fake::standardDocument();
    application->current = later; // File > Open since the window was shown

    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    for (const auto &doc : {document, later})
        EXPECT_EQ(doc->layer(QStringLiteral("Layers"), QStringLiteral("Rivers"))->on, doc == document);
    click(0);
    EXPECT_EQ(later->layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->setVisibleCalls.back(), false);
    EXPECT_TRUE(document->layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->setVisibleCalls.empty());
    EXPECT_EQ(host.state->document, later);
}

} // namespace
