#include "LayerPropertiesDialog.h"

#include "ui_LayerPropertiesDialog.h"

#include <QColorDialog>
#include <QPixmap>

namespace mapdesk {

LayerPropertiesDialog::LayerPropertiesDialog(const QString &layerName, const Symbol &symbol, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::LayerPropertiesDialog>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("layerProperties"));
    setWindowTitle(tr("%1 - Layer Properties").arg(layerName));
    ui->lineWidth->setMaximum(Symbol::MaxLineWidth);
    ui->pointSize->setMaximum(Symbol::MaxPointSize);
    connect(ui->colour, &QPushButton::clicked, this, &LayerPropertiesDialog::chooseColour);
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setSymbol(symbol);
}

LayerPropertiesDialog::~LayerPropertiesDialog() = default;

Symbol LayerPropertiesDialog::symbol() const
{
    return Symbol{m_colour, ui->lineWidth->value(), ui->pointSize->value()};
}

void LayerPropertiesDialog::setSymbol(const Symbol &symbol)
{
    m_colour = symbol.colour;
    ui->lineWidth->setValue(symbol.lineWidth);
    ui->pointSize->setValue(symbol.pointSize);
    // The button shows the colour and its name.
    QPixmap swatch(16, 16);
    swatch.fill(m_colour);
    ui->colour->setIcon(QIcon(swatch));
    ui->colour->setText(m_colour.name(QColor::HexRgb));
}

void LayerPropertiesDialog::chooseColour()
{
    const QColor chosen = QColorDialog::getColor(m_colour, this, tr("Layer Colour"));
    if (!chosen.isValid())
        return;
    Symbol changed = symbol();
    changed.colour = chosen;
    setSymbol(changed);
}

} // namespace mapdesk
