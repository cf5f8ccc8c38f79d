#include "MapPropertiesDialog.h"

#include "ui_MapPropertiesDialog.h"

#include <QPushButton>

namespace mapdesk {

MapPropertiesDialog::MapPropertiesDialog(const QString &mapName, const CoordinateSystem &system, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::MapPropertiesDialog>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("mapProperties"));
    setWindowTitle(tr("%1 - Map Properties").arg(mapName));
    connect(ui->system, &QLineEdit::textChanged, this, &MapPropertiesDialog::definitionEdited);
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setDefinition(system.definition());
    definitionEdited(ui->system->text());
}

MapPropertiesDialog::~MapPropertiesDialog() = default;

void MapPropertiesDialog::setDefinition(const QString &definition)
{
    ui->system->setText(definition);
}

void MapPropertiesDialog::definitionEdited(const QString &text)
{
    QString fault;
    m_system = text.trimmed().isEmpty() ? CoordinateSystem() : CoordinateSystem::fromDefinition(text, &fault);
    if (text.trimmed().isEmpty())
        ui->systemName->setText(tr("No coordinate system: the layers are drawn as they are."));
    else
        ui->systemName->setText(m_system.isValid() ? m_system.name() : fault);
    ui->buttons->button(QDialogButtonBox::Ok)->setEnabled(m_system.isValid() || text.trimmed().isEmpty());
}

} // namespace mapdesk
