#include "DriveTable.h"
#include "HostError.h"
#include "MessageBoxService.h"
#include "ShellService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using mapdesk::DriveTable;

/// Collects the addresses the desktop is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { opened << url; }

public:
    QList<QUrl> opened;
};

TEST(DriveTable, HasDriveCByDefaultAndTakesDriveArguments)
{
    QTemporaryDir data;
    QTemporaryDir folder;
    ASSERT_TRUE(data.isValid() && folder.isValid());
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());

    DriveTable drives;
    EXPECT_EQ(drives.root(QLatin1Char('C')), DriveTable::defaultRootC());
    EXPECT_TRUE(drives.root(QLatin1Char('C')).startsWith(data.path()));
    EXPECT_EQ(drives.root(QLatin1Char('D')), QString()) << "a letter without a drive";

    EXPECT_EQ(drives.addFromArgument(QStringLiteral("d=") + folder.path()), QString());
    EXPECT_EQ(drives.root(QLatin1Char('D')), folder.path());
    EXPECT_EQ(drives.root(QLatin1Char('d')), folder.path());

    EXPECT_EQ(drives.addFromArgument(QStringLiteral("C=") + folder.path()), QString());
    EXPECT_EQ(drives.root(QLatin1Char('C')), folder.path()) << "a drive argument replaces drive C:";

    for (const QString &bad :
         {QStringLiteral("CD=/tmp"), QStringLiteral("1=/tmp"), QStringLiteral("C"), QStringLiteral("C="),
          QStringLiteral("=/tmp"), QStringLiteral("E=") + folder.path() + QStringLiteral("/missing")}) {
        EXPECT_FALSE(drives.addFromArgument(bad).isEmpty()) << qPrintable(bad);
    }
    EXPECT_EQ(drives.root(QLatin1Char('E')), QString());
    qunsetenv("XDG_DATA_HOME");
}

TEST(DriveTable, PrepareCreatesOnlyTheDefaultDriveWithItsProgramFiles)
{
    QTemporaryDir data;
    QTemporaryDir folder;
    ASSERT_TRUE(data.isValid() && folder.isValid());
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());

    DriveTable drives;
    EXPECT_EQ(drives.prepare(), QString());
    EXPECT_TRUE(QDir(drives.root(QLatin1Char('C')) + QStringLiteral("/Program Files")).exists());

    DriveTable replaced;
    ASSERT_EQ(replaced.addFromArgument(QStringLiteral("C=") + folder.path()), QString());
    EXPECT_EQ(replaced.prepare(), QString());
    EXPECT_FALSE(QDir(folder.path() + QStringLiteral("/Program Files")).exists())
        << "a folder given by the user is taken as it is";
    qunsetenv("XDG_DATA_HOME");
}

TEST(ShellService, OpensAddressesAndMailLinksThroughTheDesktop)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");

    mapdesk::ShellService shell;
    EXPECT_GT(
        shell.execute(nullptr, QStringLiteral("Open"), QStringLiteral("www.example.com"), QString(), QString(), 1), 32);
    EXPECT_GT(shell.execute(nullptr, QStringLiteral("Open"), QStringLiteral("mailto:info@example.com"), QString(),
                            QString(), 1),
              32);
    ASSERT_EQ(recorder.opened.size(), 2);
    EXPECT_EQ(recorder.opened[0], QUrl(QStringLiteral("http://www.example.com")));
    EXPECT_EQ(recorder.opened[1], QUrl(QStringLiteral("mailto:info@example.com")));

    EXPECT_LE(shell.execute(nullptr, QStringLiteral("Open"), QString(), QString(), QString(), 1), 32);
    EXPECT_LE(
        shell.execute(nullptr, QStringLiteral("Print"), QStringLiteral("www.example.com"), QString(), QString(), 1),
        32);
    EXPECT_EQ(recorder.opened.size(), 2) << "failed calls open nothing";

    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

TEST(MessageBoxService, ShowsPlainTextWithOneOkButtonAndNoIconOverTheOwner)
{
    QMainWindow owner;
    owner.show();
    mapdesk::MessageBoxService service(&owner);

    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int buttons = -1;
    QWidget *parent = nullptr;
    // The box blocks until closed: inspect and close it from the event loop.
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        parent = box->parentWidget();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    service.show(QStringLiteral("<b>Layer</b> & co"), QStringLiteral("QuarnelVisibility"));

    EXPECT_EQ(title, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(text, QStringLiteral("<b>Layer</b> & co"));
    EXPECT_EQ(format, Qt::PlainText) << "names and error texts are never read as markup";
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(parent, &owner);
}

} // namespace

#include "DesktopServicesTest.moc"
