#include "AddinWorld.h"

#include "IModelessFrame.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QTest>

AddinWorld::AddinWorld()
{
    reload();
}

AddinWorld::~AddinWorld()
{
    mainWindow.reset();
}

void AddinWorld::newWindow()
{
    mainWindow.reset();
    mainWindow = std::make_unique<frmMain>(*host.state);
}

void AddinWorld::reload()
{
    newWindow();
    window().Frame()->setVisible(true);
}

QStringList AddinWorld::listed()
{
    QStringList names;
    for (int i = 0; i < list().count(); ++i)
        names << list().item(i)->text();
    return names;
}

void AddinWorld::select(int row)
{
    QListWidget &setList = list();
    const QRect place = setList.visualItemRect(setList.item(row));
    QTest::mouseClick(setList.viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
}

void AddinWorld::press(const char *button)
{
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
}

QWidget *AddinWorld::pressSave()
{
    press("btnCreateNewGrid");
    return host.objects->frames.back()->attached->formWidget();
}

QLineEdit *AddinWorld::nameBox(QWidget *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("txt1"));
}

void AddinWorld::pressIn(QWidget *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

void AddinWorld::saveAs(QWidget *dialog, const QString &name)
{
    nameBox(dialog)->setText(name);
    pressIn(dialog, "Command1");
}
