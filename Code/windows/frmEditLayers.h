#pragma once

#include "SetLayers.h"

#include <QDialog>

#include <memory>
#include <vector>

class IDocument;
class IMapPictures;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class frmEditLayers;
}

/// The dialog that shows what a saved set holds, by map, beside the layers
/// of the document: a person ticks, unticks and removes the set's layers
/// and ticks the document's other layers to add them. It only returns the
/// edit; the set store writes it. Whoever opens it owns it.
class frmEditLayers : public QDialog
{
    Q_OBJECT

public:
    frmEditLayers(const QString &setName, const SetLayers &layers, QWidget *parent = nullptr);
    ~frmEditLayers() override;

    /// The set's layers as edited: those kept with their ticks, then those
    /// ticked to be added, grouped by map.
    std::vector<SetLayers::Layer> edited() const;
    /// Whether edited() differs from what the set records.
    bool changed() const;
    /// Heads the dialog with `document`'s focus map as a restore of the set
    /// as edited would show it, drawn by `pictures` and following the ticks;
    /// nothing without either.
    void showPictures(std::shared_ptr<IMapPictures> pictures, std::shared_ptr<IDocument> document);

private:
    void fill(QTreeWidget *tree, const std::vector<SetLayers::Row> &rows, bool recorded);
    void showDifference(QTreeWidgetItem *item);
    void removeSelected();
    /// Asks for the picture of the set as edited now.
    void updatePicture();

    std::unique_ptr<Ui::frmEditLayers> ui;
    SetLayers m_layers;
    std::shared_ptr<IMapPictures> m_pictures;
    std::shared_ptr<IDocument> m_document;
    unsigned m_pictureAsked = 0; ///< the latest picture asked for; earlier ones are passed over
};
