#include "frmEditLayers.h"

#include "ui_frmEditLayers.h"

#include "IMapPictures.h"
#include "QtCompat.h"
#include "SetPictureFlags.h"
#include "SetPictures.h"

#include <QPixmap>

#include <QPushButton>
#include <QTreeWidget>

namespace {
/// Where a layer row keeps the index of its row in the SetLayers lists; map
/// rows keep nothing there.
constexpr int kRowRole = Qt::UserRole;

/// A person's word for how the layers of a name show now.
QString shownText(const VisibilitySnapshot::Shown &now)
{
    if (now.allVisible)
        return QStringLiteral("shown");
    if (now.allHidden)
        return QStringLiteral("hidden");
    return QStringLiteral("partly shown");
}

/// The layer rows of a tree, map by map.
template <typename Visit> void forEachLayerRow(const QTreeWidget &tree, Visit visit)
{
    for (int m = 0; m < tree.topLevelItemCount(); ++m) {
        const QTreeWidgetItem *map = tree.topLevelItem(m);
        for (int l = 0; l < map->childCount(); ++l)
            visit(*map->child(l), map->child(l)->data(0, kRowRole).toULongLong());
    }
}
} // namespace

frmEditLayers::frmEditLayers(const QString &setName, const SetLayers &layers, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmEditLayers>()), m_layers(layers)
{
    ui->setupUi(this);
    ui->lblSet->setText(QStringLiteral("Layers that the set \"%1\" records:").arg(setName));
    fill(ui->treeRecorded, m_layers.recorded, true);
    fill(ui->treeUnrecorded, m_layers.unrecorded, false);
    ui->btnRemove->setEnabled(false);

    connect(ui->treeRecorded, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column == 0)
            showDifference(item);
    });
    // A tick is column 0; the other column only tells of it.
    for (QTreeWidget *tree : {ui->treeRecorded, ui->treeUnrecorded})
        connect(tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *, int column) {
            if (column == 0)
                updatePicture();
        });
    connect(ui->treeRecorded, &QTreeWidget::itemSelectionChanged, this,
            [this] { ui->btnRemove->setEnabled(!ui->treeRecorded->selectedItems().isEmpty()); });
    connect(ui->btnRemove, &QPushButton::clicked, this, &frmEditLayers::removeSelected);
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

frmEditLayers::~frmEditLayers() = default;

void frmEditLayers::fill(QTreeWidget *tree, const std::vector<SetLayers::Row> &rows, bool recorded)
{
    QTreeWidgetItem *map = nullptr;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SetLayers::Row &row = rows[i];
        if (!map || map->text(0) != row.layer.mapName) {
            map = new QTreeWidgetItem(tree, {row.layer.mapName});
            map->setFlags(recorded ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
            map->setFirstColumnSpanned(true);
            map->setExpanded(true);
        }
        auto *item = new QTreeWidgetItem(map, {row.layer.layerName});
        item->setData(0, kRowRole, qulonglong(i));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                       | (recorded ? Qt::ItemIsSelectable : Qt::NoItemFlags));
        item->setCheckState(0, recorded && row.layer.visible ? Qt::Checked : Qt::Unchecked);
        if (!recorded) {
            item->setText(1, row.now ? shownText(*row.now) : QString());
            continue;
        }
        if (!row.now) {
            // Kept in the set (a restore passes it over) until removed.
            const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
            for (int column : {0, 1}) {
                item->setForeground(column, grey);
                item->setToolTip(
                    column, QStringLiteral("Not in the current document: restoring the set passes this layer over"));
            }
        }
        showDifference(item);
    }
    tree->resizeColumnToContents(0);
}

void frmEditLayers::showDifference(QTreeWidgetItem *item)
{
    if (!item->parent())
        return;
    const SetLayers::Row &row = m_layers.recorded[item->data(0, kRowRole).toULongLong()];
    const bool visible = item->checkState(0) == Qt::Checked;
    item->setText(1, row.differs(visible) ? QStringLiteral("yes: ") + shownText(*row.now) : QString());
}

void frmEditLayers::removeSelected()
{
    // A selected map goes with all its layers; a map left without layers goes too.
    for (QTreeWidgetItem *item : ui->treeRecorded->selectedItems())
        if (item->parent())
            delete item;
    for (int m = ui->treeRecorded->topLevelItemCount() - 1; m >= 0; --m) {
        QTreeWidgetItem *map = ui->treeRecorded->topLevelItem(m);
        if (map->isSelected() || map->childCount() == 0)
            delete map;
    }
    updatePicture();
}

void frmEditLayers::showPictures(std::shared_ptr<IMapPictures> pictures, std::shared_ptr<IDocument> document)
{
    if (!pictures || !document)
        return;
    m_pictures = std::move(pictures);
    m_document = std::move(document);
    // The dialog grows by the room of a picture of a view's usual
    // proportions, so that the lists keep theirs.
    const int room = SetPictures::width() * 3 / 4;
    ui->lblPicture->setMinimumHeight(room);
    ui->lblPicture->setVisible(true);
    resize(width(), height() + room);
    updatePicture();
}

void frmEditLayers::updatePicture()
{
    if (!m_pictures)
        return;
    const unsigned asked = ++m_pictureAsked;
    // The picture before stays until the new one is there.
    if (QtCompat::pixmapOf(*ui->lblPicture).isNull())
        ui->lblPicture->setText(SetPictures::drawingText());
    try {
        m_pictures->drawFocusMap(*m_document, pictureFlags(*m_document, edited()), SetPictures::width(), this,
                                 [this, asked](const QImage &picture) {
                                     if (asked == m_pictureAsked)
                                         ui->lblPicture->setPixmap(QPixmap::fromImage(picture));
                                 });
    } catch (...) {
        // A document that cannot be walked shows no picture.
        ui->lblPicture->clear();
    }
}

std::vector<SetLayers::Layer> frmEditLayers::edited() const
{
    std::vector<SetLayers::Layer> layers;
    forEachLayerRow(*ui->treeRecorded, [&](const QTreeWidgetItem &item, std::size_t row) {
        layers.push_back(m_layers.recorded[row].layer);
        layers.back().visible = item.checkState(0) == Qt::Checked;
    });
    forEachLayerRow(*ui->treeUnrecorded, [&](const QTreeWidgetItem &item, std::size_t row) {
        if (item.checkState(0) == Qt::Checked)
            layers.push_back(m_layers.unrecorded[row].layer);
    });
    return groupedByMap(std::move(layers));
}

bool frmEditLayers::changed() const
{
    std::vector<SetLayers::Layer> before;
    for (const SetLayers::Row &row : m_layers.recorded)
        before.push_back(row.layer);
    return edited() != before;
}
