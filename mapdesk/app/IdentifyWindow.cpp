#include "IdentifyWindow.h"

#include "ui_IdentifyWindow.h"

namespace mapdesk {

IdentifyWindow::IdentifyWindow(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::IdentifyWindow>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("identifyWindow"));
    setModal(false);
}

IdentifyWindow::~IdentifyWindow() = default;

QTreeWidget *IdentifyWindow::results() const
{
    return ui->results;
}

void IdentifyWindow::showFound(const std::vector<Found> &found)
{
    ui->results->clear();
    if (found.empty())
        new QTreeWidgetItem(ui->results, {tr("No feature here")});
    QTreeWidgetItem *layer = nullptr;
    for (const Found &feature : found) {
        if (!layer || layer->text(0) != feature.layer)
            layer = new QTreeWidgetItem(ui->results, {feature.layer});
        auto *item = new QTreeWidgetItem(layer, {tr("Feature %1").arg(layer->childCount() + 1)});
        for (auto field = feature.attributes.cbegin(); field != feature.attributes.cend(); ++field)
            new QTreeWidgetItem(item, {field.key(), field.value().toString()});
    }
    ui->results->expandAll();
    ui->results->resizeColumnToContents(0);
}

} // namespace mapdesk
