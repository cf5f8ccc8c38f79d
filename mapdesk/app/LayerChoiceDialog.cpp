#include "LayerChoiceDialog.h"

#include "ui_LayerChoiceDialog.h"

#include <QDir>
#include <QPushButton>

namespace mapdesk {

LayerChoiceDialog::LayerChoiceDialog(const QString &file, const QStringList &layers, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::LayerChoiceDialog>()), m_layers(layers)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("layerChoice"));
    ui->question->setText(
        tr("%1 holds %n layers. Which of them do you want to add?", nullptr, static_cast<int>(layers.size()))
            .arg(QDir::toNativeSeparators(file)));
    for (const QString &layer : layers) {
        auto *item = new QListWidgetItem(layer, ui->layers);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Nothing ticked, nothing to add: OK waits for a tick.
    connect(ui->layers, &QListWidget::itemChanged, this,
            [this] { ui->buttons->button(QDialogButtonBox::Ok)->setEnabled(!chosen().isEmpty()); });
}

LayerChoiceDialog::~LayerChoiceDialog() = default;

QStringList LayerChoiceDialog::chosen() const
{
    QStringList ticked;
    for (int i = 0; i < ui->layers->count(); ++i)
        if (ui->layers->item(i)->checkState() == Qt::Checked)
            ticked << m_layers[i];
    return ticked;
}

void LayerChoiceDialog::setTicked(int index, bool ticked)
{
    if (QListWidgetItem *item = ui->layers->item(index))
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

} // namespace mapdesk
