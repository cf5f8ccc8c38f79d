#include "Layer.h"

namespace mapdesk {

Layer::Layer(QString name, bool visible) : m_name(std::move(name)), m_visible(visible) {}

Layer::~Layer() = default;

QString Layer::name()
{
    return m_name;
}

void Layer::setName(const QString &name)
{
    m_name = name;
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

QRectF Layer::extent() const
{
    return {};
}

} // namespace mapdesk
