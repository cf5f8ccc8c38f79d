#pragma once

#include "CoordinateSystem.h"
#include "ILayer.h"

#include <QJsonObject>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

namespace mapdesk {

class LayersStamp;

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
    /// What the user should know about data that was read, such as features
    /// left out; empty when there is nothing to tell.
    virtual QString warningText() const;
    /// Extent of the layer's data in map coordinates (x east, y north; the
    /// rectangle's top() is the smallest y). Empty when there is no data; the
    /// extent of a single point has no width nor height, yet is there.
    virtual std::optional<QRectF> extent() const;

    /// The coordinate system of the layer's data, as read; empty when the
    /// data names none (or for a group).
    virtual CoordinateSystem dataCoordinateSystem() const;
    /// Draws the data in the map's system `map` from now on (a layer without
    /// a system of its own is taken as in it). Returns why it cannot, leaving
    /// the layer as it was; empty when done. Nothing for a group.
    virtual QString setMapCoordinateSystem(const CoordinateSystem &map);

    /// The smallest rectangle holding both; either may be empty, or of no size.
    static std::optional<QRectF> united(const std::optional<QRectF> &a, const std::optional<QRectF> &b);

    /// The fields of its object in the document file that mapdesk does not
    /// know (written by a later version or by hand), written back on saving.
    const QJsonObject &otherFields() const { return m_otherFields; }
    void setOtherFields(const QJsonObject &fields) { m_otherFields = fields; }

    /// Makes the layer (and a group's members) part of the document whose
    /// stamp this is: a change of its name lets go of what the document keeps.
    virtual void joinStamp(const std::shared_ptr<LayersStamp> &stamp);

protected:
    explicit Layer(QString name, bool visible = true);
    const std::shared_ptr<LayersStamp> &stamp() const { return m_stamp; }

private:
    // The flag first, next to the object's start where the calls through
    // ILayer find their table: a restore of a large document then touches
    // one cache line of each layer it switches, not two.
    bool m_visible;
    QString m_name;
    QJsonObject m_otherFields;
    std::shared_ptr<LayersStamp> m_stamp;
};

} // namespace mapdesk
