#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class LayerChoiceDialog;
}

namespace mapdesk {

/// Asks which layers of a data file holding several (a GeoPackage with
/// several tables) to add: each with a check box, all ticked at first.
class LayerChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    LayerChoiceDialog(const QString &file, const QStringList &layers, QWidget *parent = nullptr);
    ~LayerChoiceDialog() override;

    /// The ticked layers, in the file's order.
    QStringList chosen() const;
    /// Ticks or unticks the layer at `index`.
    void setTicked(int index, bool ticked);

private:
    std::unique_ptr<Ui::LayerChoiceDialog> ui;
    QStringList m_layers;
};

} // namespace mapdesk
