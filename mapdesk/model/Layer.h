#pragma once

#include "ILayer.h"

#include <QRectF>
#include <QString>

namespace mapdesk {

/// Base of every layer of a map: its name and its own visibility flag.
/// Setting the flag changes only this layer and emits nothing; the views
/// show it after the document's updateContents() and a refresh. Maps and
/// group layers own their layers through shared pointers.
class Layer : public virtual ILayer
{
public:
    enum class Kind { Feature, Raster, Group };

    ~Layer() override;

    virtual Kind kind() const = 0;

    QString name() override;
    void setName(const QString &name);
    bool visible() override;
    void setVisible(bool visible) override;

    /// Why the layer's data could not be read; empty when it was read (or has no data source).
    virtual QString errorText() const;
    /// Extent of the layer's data in map coordinates (x east, y north; the
    /// rectangle's top() is the smallest y). Null when there is no data.
    virtual QRectF extent() const;

protected:
    explicit Layer(QString name, bool visible = true);

private:
    QString m_name;
    bool m_visible;
};

} // namespace mapdesk
