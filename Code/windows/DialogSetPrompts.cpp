#include "DialogSetPrompts.h"

#include "CurrentDocument.h"
#include "ProductNames.h"
#include "frmEditLayers.h"

#include "HostServices.h"
#include "IApplication.h"
#include "QuarnelGIS_Public.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kTitle = ProductNames::product();
const QString kFilter = QStringLiteral("Visibility sets (*.sets *.config config);;All files (*)");

/// Asks a question about sets and returns the button's answer. Set names are
/// anyone's text: the box shows them as written, never as markup.
int askAbout(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}
} // namespace

std::optional<QString> DialogSetPrompts::newName(QWidget *parent, const QString &current)
{
    bool accepted = false;
    const QString name =
        QInputDialog::getText(parent, kTitle, QStringLiteral("New name:"), QLineEdit::Normal, current, &accepted);
    if (!accepted || name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> DialogSetPrompts::storeConnection(QWidget *parent, const QString &current)
{
    bool accepted = false;
    const QString connection = QInputDialog::getText(
        parent, kTitle,
        QStringLiteral("Keep the sets in a team's PostgreSQL database: its connection, such as\n"
                       "service=team or postgresql://server/gis (passwords belong in ~/.pgpass).\n"
                       "Leave it empty to keep them in the set file."),
        QLineEdit::Normal, current, &accepted);
    if (!accepted)
        return std::nullopt;
    return connection.trimmed();
}

bool DialogSetPrompts::confirmMerge(QWidget *parent, const QString &from, const QString &into)
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("A set named \"%1\" exists already. Merge \"%2\" into it?").arg(into, from),
                    QMessageBox::Yes | QMessageBox::No, parent);
    return askAbout(box) == QMessageBox::Yes;
}

QString DialogSetPrompts::exportFile(QWidget *parent, const QStringList &setNames)
{
    // A slash or backslash in a set name would make the suggestion a path.
    QString suggested = setNames.size() == 1 ? setNames.front() : QStringLiteral("visibility");
    suggested.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    suggested += QStringLiteral(".sets");
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export Visibility Sets"), suggested, kFilter);
}

QString DialogSetPrompts::importFile(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Import Visibility Sets"), QString(), kFilter);
}

SetStore::Clash DialogSetPrompts::onClash(QWidget *parent, const QString &setName)
{
    QMessageBox box(QMessageBox::Question, kTitle, QStringLiteral("A set named \"%1\" exists already.").arg(setName),
                    QMessageBox::NoButton, parent);
    QPushButton *merge = box.addButton(QStringLiteral("Merge"), QMessageBox::AcceptRole);
    QPushButton *rename = box.addButton(QStringLiteral("Import as New Name"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Skip"), QMessageBox::RejectRole);
    askAbout(box);
    if (box.clickedButton() == merge)
        return SetStore::Clash::Merge;
    if (box.clickedButton() == rename)
        return SetStore::Clash::Rename;
    return SetStore::Clash::Skip;
}

std::optional<std::vector<SetLayers::Layer>> DialogSetPrompts::editLayers(QWidget *parent, const QString &setName,
                                                                          const SetLayers &layers)
{
    frmEditLayers dialog(setName, layers, parent);
    if (m_state)
        dialog.showPictures(m_state->services.pictures(), shownDocument(*m_state));
    if (dialog.exec() != QDialog::Accepted || !dialog.changed())
        return std::nullopt;
    return dialog.edited();
}

bool DialogSetPrompts::overwriteChangedSet(QWidget *parent, const QString &setName, const QStringList &changes)
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("The set \"%1\" was saved again while its layers were being edited:\n\n%2\n\n"
                                   "Replace it with the edit?")
                        .arg(setName, changes.join(QLatin1Char('\n'))),
                    QMessageBox::NoButton, parent);
    QPushButton *overwrite = box.addButton(QStringLiteral("Overwrite"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    askAbout(box);
    return box.clickedButton() == overwrite;
}
