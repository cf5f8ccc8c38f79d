#include "Layer.h"

#include "LayersStamp.h"

#include <algorithm>

namespace mapdesk {

Layer::Layer(QString name, bool visible) : m_visible(visible), m_name(std::move(name)) {}

Layer::~Layer() = default;

QString Layer::name()
{
    return m_name;
}

void Layer::setName(const QString &name)
{
    m_name = name;
    LayersStamp::letGo(m_stamp);
}

void Layer::joinStamp(const std::shared_ptr<LayersStamp> &stamp)
{
    m_stamp = stamp;
}

bool Layer::visible()
{
    return m_visible;
}

void Layer::setVisible(bool visible)
{
    m_visible = visible;
}

QString Layer::errorText() const
{
    return {};
}

QString Layer::warningText() const
{
    return {};
}

CoordinateSystem Layer::dataCoordinateSystem() const
{
    return {};
}

QString Layer::setMapCoordinateSystem(const CoordinateSystem &)
{
    return {};
}

std::optional<QRectF> Layer::extent() const
{
    return std::nullopt;
}

std::optional<QRectF> Layer::united(const std::optional<QRectF> &a, const std::optional<QRectF> &b)
{
    // QRectF::united() would drop a rectangle of no size: a single point.
    if (!a)
        return b;
    if (!b)
        return a;
    return QRectF(QPointF(std::min(a->left(), b->left()), std::min(a->top(), b->top())),
                  QPointF(std::max(a->right(), b->right()), std::max(a->bottom(), b->bottom())));
}

} // namespace mapdesk
