#pragma once

#include "Symbol.h"

#include <QDialog>

#include <memory>

namespace Ui {
class LayerPropertiesDialog;
}

namespace mapdesk {

/// A feature layer's Properties: its colour (chosen in a colour dialog),
/// line width and point size. The caller applies symbol() when accepted.
class LayerPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    LayerPropertiesDialog(const QString &layerName, const Symbol &symbol, QWidget *parent = nullptr);
    ~LayerPropertiesDialog() override;

    /// The symbol as the fields show it now.
    Symbol symbol() const;
    /// Shows `symbol` in the fields.
    void setSymbol(const Symbol &symbol);

private:
    void chooseColour();

    std::unique_ptr<Ui::LayerPropertiesDialog> ui;
    QColor m_colour;
};

} // namespace mapdesk
